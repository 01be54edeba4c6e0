// The get answer of the machine information. Input: one byte, the most a read
// returns (0: no limit), then the machine's answer.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_machine.h"
#include "protocol/machine_info.h"
#include "protocol/machine_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    fuzz::PrepareMachine();
    SetMachineRecordDefaults();
    fuzz::SetAnswer(data + 1, size - 1, data[0]);

    MachineInfo before;
    std::memcpy(&before, &machineInfo, sizeof before);
    const int ok = Mfp_GetMachineInfo();
    if (!ok) {
        if (std::memcmp(&before, &machineInfo, sizeof before) != 0) {
            fuzz::Fail("a refused answer changed the machine information");
        }
        return 0;
    }
    // The information page prints these texts.
    if (machineInfo.firmwareVersion[sizeof machineInfo.firmwareVersion - 1] != 0 ||
        machineInfo.engineVersion[sizeof machineInfo.engineVersion - 1] != 0 ||
        machineInfo.emulationVersion[sizeof machineInfo.emulationVersion - 1] != 0 ||
        machineInfo.extraText[sizeof machineInfo.extraText - 1] != 0) {
        fuzz::Fail("a version text is not terminated");
    }
    return 0;
}
