#include "protocol/machine_info.h"

#include <cstring>

#include "protocol/record_table.h"

namespace {

template <size_t N> void SetText(char (&text)[N], const char* value) {
    std::memset(text, 0, N);
    std::strncpy(text, value, N - 1);
}

} // namespace

void SetMachineInfoDefaults(MachineInfo& machineInfo) {
    std::memset(&machineInfo, 0, sizeof machineInfo);
    machineInfo.freeMemoryPercent = 100;
    machineInfo.platenScanCount = 50;
    machineInfo.adfScanCount = 90;
    machineInfo.printCount = 120;
    machineInfo.tonerReplacedCount = 1;
    machineInfo.adfJamCount = 1;
    machineInfo.printJamCount = 1;
    SetText(machineInfo.firmwareVersion, "1.00");
    SetText(machineInfo.engineVersion, "V1.0.0");
    SetText(machineInfo.emulationVersion, "ZEML 1.15 12-17-2002");
}

int Mfp_GetMachineInfo(LinkState& link, MachineInfo& info) {
    return GetRecord(link, kInfoRecord, &info);
}
