#include "protocol/inquiry.h"

#include <cstdio>
#include <memory>
#include <new>

#include "link/port.h"
#include "platform/debug_output.h"
#include "protocol/exchange.h"

namespace {

void TraceF(const char* format, int value) {
    char line[64];
    std::snprintf(line, sizeof line, format, value);
    platform::OutputDebugString(line);
}

constexpr uint8_t kInquiryRequest[] = {frame::kEsc, frame::kHead, 0x00, 0x04,
                                       0x50,        0xE0,         0x82, frame::kOpInquiry};
constexpr int32_t kRequestLength = sizeof kInquiryRequest;
constexpr int32_t kAnswerSize = 10;
constexpr uint32_t kAnswerDelayMs = 1500;

} // namespace

int Mfp_Inquiry() {
    int32_t written = PortWrite(kInquiryRequest, kRequestLength);
    platform::OutputDebugString("===> INQUIRY <===\n");
    TraceF("WriteData = %d \n", written);
    DelayMs(kAnswerDelayMs);
    if (written != kRequestLength) {
        return 0;
    }

    std::unique_ptr<uint8_t[]> answer(new (std::nothrow) uint8_t[kAnswerSize]());
    if (!answer) {
        platform::OutputDebugString("Mfp_Inquiry() - Memory Allocation error! \n");
        return 0;
    }
    int32_t n = PortRead(answer.get(), kAnswerSize);
    TraceF("Size to read = %d \n", kAnswerSize);
    TraceF("ReadData = %d \n", n);
    HexDump(answer.get(), n);

    if (n > 4 && answer[0] == frame::kEsc && answer[1] == frame::kHead) {
        TraceF("Length = %d \n", answer[2] * 256 + answer[3]);
        inquiryRecord.machineClass = answer[9];
        return 1;
    }
    inquiryRecord.machineClass = 0;
    return 0;
}
