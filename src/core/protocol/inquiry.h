#pragma once
#include <cstdint>

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

// 1 on a valid answer, else 0.
int Mfp_Inquiry();

// The inquiry record of the machine record block (defaults: 0, 100, 1, 2).
extern InquiryRecord& inquiryRecord;
