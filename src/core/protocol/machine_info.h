#pragma once
#include <cstdint>

#include "link/link_state.h"

// The machine's versions and usage counters (read only).
struct MachineInfo {
    uint8_t freeMemoryPercent;  // d 0
    int32_t platenScanCount;    // d 1..4, big-endian
    int32_t adfScanCount;       // d 5..8
    int32_t printCount;         // d 9..12
    int32_t tonerReplacedCount; // d 13..16
    int32_t adfJamCount;        // d 17..20
    int32_t printJamCount;      // d 21..24
    char firmwareVersion[11];   // d 25..34
    char engineVersion[11];     // d 35..44
    char emulationVersion[31];  // d 45..74
    char extraText[31];         // d 75..104
};

constexpr int kInfoBlockSize = 105;
constexpr int kInfoAnswerSize = 115;

// Start-up values: 100, 50, 90, 120, 1, 1, 1, "1.00", "V1.0.0",
// "ZEML 1.15 12-17-2002", "".
void SetMachineInfoDefaults(MachineInfo& info);

// Reads the block through link into info: 1 on success, else 0. The record
// changes only when the whole announced answer arrived.
int Mfp_GetMachineInfo(LinkState& link, MachineInfo& info);
