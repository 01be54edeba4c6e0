#pragma once
#include <cstdint>

#include "link/link_state.h"

// Head of the machine record block.
struct InquiryRecord {
    uint8_t capacityA; // one-touch slots
    uint8_t capacityB; // speed-dial slots
    uint8_t reserved;
    uint8_t machineClass; // 2: all pages and the full menus
};
static_assert(sizeof(InquiryRecord) == 4);

// The machine class with every page, every record and the full File menu.
constexpr int kFullMachineClass = 2;

// Asks the machine through link for its class, kept in inquiryRecord: 1 on a
// valid answer, else 0 (and class 0).
int Mfp_Inquiry(LinkState& link, InquiryRecord& inquiryRecord);
