#include "protocol/record_registry.h"

#include "protocol/record_table.h"
#include "protocol/system_setup.h"
#include "protocol/system_status.h"

namespace {

constexpr bool FullClass(int machineClass) {
    return machineClass == kFullMachineClass;
}

constexpr bool EveryClass(int) {
    return true;
}

constexpr RecordEntry kRecords[] = {
    {.name = "setup",
     .title = "the system setup",
     .descriptor = kSetupRecord,
     .record = [](MachineRecords& r) -> void* { return &r.systemSetup; },
     .get = Mfp_GetSettings,
     .set = Mfp_SetSettings,
     .setDefaults = SetSystemSetupDefaults,
     .existsFor = FullClass,
     .setNotes = ""},
    {.name = "status",
     .title = "the system status",
     .descriptor = kStatusRecord,
     .record = [](MachineRecords& r) -> void* { return &r.systemStatus; },
     .get = Mfp_GetSystemStatus,
     .set = Mfp_SetSystemStatus,
     .setDefaults = SetSystemStatusDefaults,
     .existsFor = FullClass,
     .setNotes = "Dates are \"YYYY-MM-DD HH:MM\" (quote the blank), real dates from 1990 to "
                 "2089. Texts take the characters the Advanced page takes; the machine ID's "
                 "letters become capitals."},
    {.name = "info",
     .title = "versions and counters",
     .descriptor = kInfoRecord,
     .record = [](MachineRecords& r) -> void* { return &r.machineInfo; },
     .get = Mfp_GetMachineInfo,
     .set = nullptr,
     .setDefaults = SetMachineInfoDefaults,
     .existsFor = EveryClass,
     .setNotes = ""},
};

} // namespace

std::span<const RecordEntry> RecordRegistry() {
    return kRecords;
}

std::vector<const RecordEntry*> SettableRecords() {
    std::vector<const RecordEntry*> records;
    for (const RecordEntry& r : kRecords) {
        if (r.Settable()) {
            records.push_back(&r);
        }
    }
    return records;
}

const RecordEntry* FindRecord(std::string_view name) {
    for (const RecordEntry& r : kRecords) {
        if (name == r.name) {
            return &r;
        }
    }
    return nullptr;
}
