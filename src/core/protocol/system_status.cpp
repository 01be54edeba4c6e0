#include "protocol/system_status.h"

#include "protocol/record_table.h"

namespace {

constexpr StatusDateTime kDefaultDateTime = {10, 10, 2002, 10, 10};

} // namespace

void SetSystemStatusDefaults(SystemStatus& systemStatus) {
    systemStatus = SystemStatus{};
    systemStatus.powerSave = 3;
    systemStatus.speaker = 1;
    systemStatus.ringer = 1;
    systemStatus.keySound = 1;
    systemStatus.alarmSound = 1;
    systemStatus.tollSaver = 1;
    systemStatus.tollSaverStart = kDefaultDateTime;
    systemStatus.tollSaverEnd = kDefaultDateTime;
}

void ClampStatusDateTime(StatusDateTime& t) {
    if (t.month > 12) {
        t.month = 12;
    }
    if (t.day > 31) {
        t.day = 31;
    }
    if (t.year < kFirstYear) {
        t.year = kFirstYear;
    } else if (t.year > kLastYear) {
        t.year = kLastYear;
    }
    if (t.hour > 23) {
        t.hour = 23;
    }
    if (t.minute > 59) {
        t.minute = 59;
    }
}

void EncodeSystemStatus(const SystemStatus& status, uint8_t* block) {
    EncodeFields(kStatusRecord, &status, block);
}

void DecodeSystemStatus(const uint8_t* block, SystemStatus& status) {
    DecodeFields(kStatusRecord, block, &status);
}

int Mfp_GetSystemStatus(LinkState& link, SystemStatus& status) {
    return GetRecord(link, kStatusRecord, &status);
}

int Mfp_SetSystemStatus(LinkState& link, const SystemStatus& status) {
    return SetRecord(link, kStatusRecord, &status);
}
