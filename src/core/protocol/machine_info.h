#pragma once
#include <cstdint>

// The machine's versions and usage counters (read only).
struct MachineInfo {
    uint8_t freeMemoryPercent;  // answer byte 10
    int32_t platenScanCount;    // 11..14, big-endian
    int32_t adfScanCount;       // 15..18
    int32_t printCount;         // 19..22
    int32_t tonerReplacedCount; // 23..26
    int32_t adfJamCount;        // 27..30
    int32_t printJamCount;      // 31..34
    char firmwareVersion[11];   // 35..44
    char engineVersion[11];     // 45..54
    char emulationVersion[31];  // 55..84
    char extraText[31];         // 85..114
};

constexpr int kInfoAnswerSize = 115;

extern MachineInfo& machineInfo;

// Start-up values: 100, 50, 90, 120, 1, 1, 1, "1.00", "V1.0.0",
// "ZEML 1.15 12-17-2002", "".
void SetMachineInfoDefaults();

// Takes the record out of a full 115-byte answer buffer.
void DecodeMachineInfo(const uint8_t* answer, MachineInfo& info);

// Reads the block into machineInfo: 1 on success, else 0. The record changes
// only when the whole announced answer arrived.
int Mfp_GetMachineInfo();
