#include "protocol/machine_record.h"

#include "protocol/inquiry.h"
#include "protocol/machine_info.h"
#include "protocol/system_setup.h"
#include "protocol/system_status.h"

void SetMachineRecordDefaults() {
    inquiryRecord = InquiryRecord{0, 100, 1, 2};
    SetSystemSetupDefaults();
    SetSystemStatusDefaults();
    SetMachineInfoDefaults();
}
