#include "protocol/machine_record.h"

#include <cstdlib>

void MachineRecords::Reset() {
    std::free(phonebookTable);
    std::free(groupRefCount);
    *this = MachineRecords{};
}

void SetMachineRecordDefaults(MachineRecords& records) {
    records.inquiryRecord = InquiryRecord{0, 100, 1, 2};
    SetSystemSetupDefaults(records.systemSetup);
    SetSystemStatusDefaults(records.systemStatus);
    SetMachineInfoDefaults(records.machineInfo);
}
