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
     .get = [](LinkState& l, MachineRecords& r) { return Mfp_GetSettings(l, r.systemSetup); },
     .set = [](LinkState& l, MachineRecords& r) { return Mfp_SetSettings(l, r.systemSetup); },
     .setDefaults = [](MachineRecords& r) { SetSystemSetupDefaults(r.systemSetup); },
     .existsFor = FullClass,
     .setNotes = ""},
    {.name = "status",
     .title = "the system status",
     .descriptor = kStatusRecord,
     .record = [](MachineRecords& r) -> void* { return &r.systemStatus; },
     .get = [](LinkState& l, MachineRecords& r) { return Mfp_GetSystemStatus(l, r.systemStatus); },
     .set = [](LinkState& l, MachineRecords& r) { return Mfp_SetSystemStatus(l, r.systemStatus); },
     .setDefaults = [](MachineRecords& r) { SetSystemStatusDefaults(r.systemStatus); },
     .existsFor = FullClass,
     .setNotes = "Dates are \"YYYY-MM-DD HH:MM\" (quote the blank), real dates from 1990 to "
                 "2089. Texts take the characters the Advanced page takes; the machine ID's "
                 "letters become capitals."},
    {.name = "info",
     .title = "versions and counters",
     .descriptor = kInfoRecord,
     .record = [](MachineRecords& r) -> void* { return &r.machineInfo; },
     .get = [](LinkState& l, MachineRecords& r) { return Mfp_GetMachineInfo(l, r.machineInfo); },
     .set = nullptr,
     .setDefaults = [](MachineRecords& r) { SetMachineInfoDefaults(r.machineInfo); },
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

bool RecordExistsFor(std::string_view name, int machineClass) {
    const RecordEntry* record = FindRecord(name);
    return record != nullptr && record->existsFor(machineClass);
}
