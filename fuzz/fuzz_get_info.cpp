// The get answer of the machine information. Input: one byte, the most a read
// returns (0: no limit), then the machine's answer.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/panel.h"
#include "fuzz_machine.h"
#include "protocol/machine_info.h"
#include "protocol/machine_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!fuzz::PrepareAnswer(data, size)) {
        return 0;
    }

    MachineInfo before;
    std::memcpy(&before, &panelContext.records.machineInfo, sizeof before);
    const int ok = Mfp_GetMachineInfo(panelContext.link, panelContext.records.machineInfo);
    if (!ok) {
        if (std::memcmp(&before, &panelContext.records.machineInfo, sizeof before) != 0) {
            fuzz::Fail("a refused answer changed the machine information");
        }
        return 0;
    }
    // The information page prints these texts.
    if (panelContext.records.machineInfo
                .firmwareVersion[sizeof panelContext.records.machineInfo.firmwareVersion - 1] !=
            0 ||
        panelContext.records.machineInfo
                .engineVersion[sizeof panelContext.records.machineInfo.engineVersion - 1] != 0 ||
        panelContext.records.machineInfo
                .emulationVersion[sizeof panelContext.records.machineInfo.emulationVersion - 1] !=
            0 ||
        panelContext.records.machineInfo
                .extraText[sizeof panelContext.records.machineInfo.extraText - 1] != 0) {
        fuzz::Fail("a version text is not terminated");
    }
    return 0;
}
