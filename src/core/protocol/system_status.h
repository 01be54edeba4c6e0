#pragma once
#include <cstdint>

#include "link/link_state.h"

// Date and time group of the status block; 6 bytes on the wire:
// month, day, year high, year low, hour, minute.
struct StatusDateTime {
    uint8_t month;
    uint8_t day;
    uint16_t year;
    uint8_t hour;
    uint8_t minute;
};

// The machine's second settings block, declared in wire order. Texts are
// 8-bit bytes, always terminated after their last wire byte.
struct SystemStatus {
    char machineNumber[21];        // d 0..19
    char machineId[21];            // d 20..39
    uint8_t clockMode;             // d 40, 0 12-hour, 1 24-hour
    uint8_t language;              // d 41
    uint8_t powerSave;             // d 42, 0 off, 1..5 on
    uint8_t reservedStatus43[5];   // d 43..47, carried unchanged
    uint8_t usbMode;               // d 48, 0 SLOW, 1 FAST
    uint8_t speaker;               // d 49, 0 OFF, 1 ON, 2 COM
    uint8_t ringer;                // d 50, 0 OFF, 1 LOW, 2 MED, 3 HIGH
    uint8_t keySound;              // d 51
    uint8_t alarmSound;            // d 52
    uint8_t tollSaver;             // d 53
    StatusDateTime tollSaverStart; // d 54..59
    StatusDateTime tollSaverEnd;   // d 60..65
    char prefixDial[6];            // d 66..70
    uint8_t stampReceiverName;     // d 71
    uint8_t ecmMode;               // d 72
};

constexpr int kStatusBlockSize = 73;
constexpr int kStatusAnswerSize = 83;
constexpr int kStatusSetRequestSize = 82;

// Start-up values of the record.
void SetSystemStatusDefaults(SystemStatus& status);

// The years the machine's clock and the Advanced page's dates span.
constexpr uint16_t kFirstYear = 1990;
constexpr uint16_t kLastYear = 2089;

// Brings a date-time group into range: month <= 12, day <= 31,
// kFirstYear <= year <= kLastYear, hour <= 23, minute <= 59.
void ClampStatusDateTime(StatusDateTime& dateTime);

// The 73-byte wire block of the record, and back (the decoder clamps the
// dates and terminates the texts).
void EncodeSystemStatus(const SystemStatus& status, uint8_t* block);
void DecodeSystemStatus(const uint8_t* block, SystemStatus& status);

// Reads the block through link into status: 1 on success, else 0. The record
// changes only when the whole announced answer arrived.
int Mfp_GetSystemStatus(LinkState& link, SystemStatus& status);
// Sends status: 1 when the machine took it.
int Mfp_SetSystemStatus(LinkState& link, const SystemStatus& status);
