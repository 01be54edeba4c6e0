#include "protocol/machine_info.h"

#include <cstring>
#include <memory>
#include <new>

#include "link/port.h"
#include "platform/debug_output.h"
#include "protocol/exchange.h"
#include "protocol/record_trace.h"

namespace {

constexpr uint8_t kGetRequest[] = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x43};
constexpr int32_t kGetRequestSize = sizeof kGetRequest;
constexpr uint32_t kDelayMs = 1000;

int32_t ReadBe32(const uint8_t* p) {
    uint32_t v = uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
    return static_cast<int32_t>(v);
}

// A fixed-width slot, then a terminator.
template <size_t N> void DecodeSlot(const uint8_t* slot, char (&text)[N]) {
    std::memcpy(text, slot, N - 1);
    text[N - 1] = 0;
}

template <size_t N> void SetText(char (&text)[N], const char* value) {
    std::memset(text, 0, N);
    std::strncpy(text, value, N - 1);
}

} // namespace

void SetMachineInfoDefaults() {
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

void DecodeMachineInfo(const uint8_t* a, MachineInfo& info) {
    info.freeMemoryPercent = a[10];
    info.platenScanCount = ReadBe32(a + 11);
    info.adfScanCount = ReadBe32(a + 15);
    info.printCount = ReadBe32(a + 19);
    info.tonerReplacedCount = ReadBe32(a + 23);
    info.adfJamCount = ReadBe32(a + 27);
    info.printJamCount = ReadBe32(a + 31);
    DecodeSlot(a + 35, info.firmwareVersion);
    DecodeSlot(a + 45, info.engineVersion);
    DecodeSlot(a + 55, info.emulationVersion);
    DecodeSlot(a + 85, info.extraText);
}

int Mfp_GetMachineInfo() {
    int32_t written = PortWrite(kGetRequest, kGetRequestSize);
    platform::OutputDebugString("===> (Get Adv-Settings) SYSTEM STATUS <===\n");
    TraceNumber("WriteData = %d \n", written);
    DelayMs(kDelayMs);
    if (written != kGetRequestSize) {
        return 0;
    }

    std::unique_ptr<uint8_t[]> answer(new (std::nothrow) uint8_t[kInfoAnswerSize]());
    if (!answer) {
        platform::OutputDebugString("Mfp_GetSystemInfo() - Memory Allocation error! \n");
        return 0;
    }
    int32_t n = PortRead(answer.get(), kInfoAnswerSize);
    TraceNumber("Size to read = %d \n", kInfoAnswerSize);
    TraceNumber("ReadData = %d \n", n);
    HexDump(answer.get(), kInfoAnswerSize);
    if (n <= 4) {
        return 0;
    }
    int32_t length = answer[2] * 256 + answer[3];
    if (length == 0) {
        return 0;
    }
    TraceNumber("Length = %d \n", length);
    // Counters and versions of a cut-short answer would read as zeros.
    if (n < length + 4) {
        return 0;
    }
    DecodeMachineInfo(answer.get(), machineInfo);
    return 1;
}
