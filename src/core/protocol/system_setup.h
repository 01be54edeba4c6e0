#pragma once
#include <cstdint>

#include "link/link_state.h"

// The machine's copy, print and fax settings block. Fields are declared in the
// record's own order; on the wire the block is 22 bytes in another order
// (autoJournal and rxReduction travel last).
struct SystemSetup {
    uint8_t reservedSetup0;  // d 0, carried unchanged
    uint8_t reservedSetup1;  // d 1, carried unchanged
    uint8_t trayPaperSize;   // d 2, paper-size code
    uint8_t reservedSetup3;  // d 3, carried unchanged
    uint8_t bypassPaperSize; // d 4, paper-size code
    uint8_t bypassPaperType; // d 5, paper-type code
    uint8_t discardSize;     // d 6, millimetres
    uint8_t contrast;        // d 7, 0 lighten, 1 normal, 2 darken
    uint8_t documentMode;    // d 8, 0 text, 1 mixed, 2 photo
    uint16_t zoom;           // d 9..10, percent, big-endian on the wire
    uint16_t copies;         // d 11..12, big-endian on the wire
    uint8_t printTimeOut;    // d 13, 0 off, 1 15 s, 2 30 s, 3 60 s, 4 180 s
    uint8_t receiveMode;     // d 14, 0 TEL, 1 FAX
    uint8_t reservedSetup15; // d 15, carried unchanged
    uint8_t autoJournal;     // d 20, 0 off, 1 on
    uint8_t rxReduction;     // d 21, 0 off, 1 on
    uint8_t ringCount;       // d 16
    uint8_t redialInterval;  // d 17, minutes
    uint8_t redialCount;     // d 18
    uint8_t sendingConfirm;  // d 19, 0 off, 1 on, 2 on error
};

constexpr int kSetupBlockSize = 22;
constexpr int kSetupAnswerSize = 32;
constexpr int kSetupSetRequestSize = 31;

// Start-up values of the record.
void SetSystemSetupDefaults(SystemSetup& setup);

// The 22-byte wire block of the record.
void EncodeSystemSetup(const SystemSetup& setup, uint8_t* block);

// Reads the block from the machine through link into setup: 1 on success,
// else 0. The record changes only on success.
int Mfp_GetSettings(LinkState& link, SystemSetup& setup);
// Sends setup to the machine: 1 when the machine took it.
int Mfp_SetSettings(LinkState& link, const SystemSetup& setup);
