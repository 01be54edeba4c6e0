#include "protocol/machine_record.h"

#include <cstdlib>

#include "protocol/record_registry.h"

void MachineRecords::Reset() {
    std::free(phonebookTable);
    std::free(groupRefCount);
    *this = MachineRecords{};
}

void SetMachineRecordDefaults(MachineRecords& records) {
    records.inquiryRecord = InquiryRecord{0, 100, 1, 2};
    for (const RecordEntry& r : RecordRegistry()) {
        r.setDefaults(records);
    }
}
