#include "protocol/system_status.h"

#include <cstring>
#include <memory>
#include <new>

#include "link/port.h"
#include "platform/debug_output.h"
#include "protocol/exchange.h"
#include "protocol/record_trace.h"

namespace {

constexpr uint8_t kGetRequest[] = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x40};
constexpr uint8_t kSetHead[] = {0x1B, 0xA4, 0x00, 0x4E, 0x50, 0xE0, 0x82, 0xC2, 0x40};
constexpr int32_t kGetRequestSize = sizeof kGetRequest;
constexpr int32_t kSetHeadSize = sizeof kSetHead;
static_assert(kSetHeadSize + kStatusBlockSize == kStatusSetRequestSize);
constexpr int32_t kSetAnswerSize = 10;
constexpr uint32_t kDelayMs = 1000;

constexpr StatusDateTime kDefaultDateTime = {10, 10, 2002, 10, 10};

void EncodeDateTime(const StatusDateTime& t, uint8_t* b) {
    b[0] = t.month;
    b[1] = t.day;
    WriteBe16(b + 2, t.year);
    b[4] = t.hour;
    b[5] = t.minute;
}

void DecodeDateTime(const uint8_t* b, StatusDateTime& t) {
    t.month = b[0];
    t.day = b[1];
    t.year = ReadBe16(b + 2);
    t.hour = b[4];
    t.minute = b[5];
    ClampStatusDateTime(t);
}

// The text up to its terminator, then zeros up to the slot's width.
void EncodeText(const char* text, size_t textSize, uint8_t* slot, size_t width) {
    size_t length = strnlen(text, textSize < width ? textSize : width);
    std::memset(slot, 0, width);
    std::memcpy(slot, text, length);
}

void DecodeText(const uint8_t* slot, size_t width, char* text, size_t textSize) {
    std::memset(text, 0, textSize);
    std::memcpy(text, slot, width < textSize ? width : textSize - 1);
}

} // namespace

void SetSystemStatusDefaults() {
    systemStatus = SystemStatus{};
    systemStatus.powerSave = 3;
    systemStatus.speaker = 1;
    systemStatus.ringer = 1;
    systemStatus.keySound = 1;
    systemStatus.alarmSound = 1;
    systemStatus.tollSaver = 1;
    systemStatus.tollSaverStart = kDefaultDateTime;
    systemStatus.tollSaverEnd = kDefaultDateTime;
}

void ClampStatusDateTime(StatusDateTime& t) {
    if (t.month > 12) {
        t.month = 12;
    }
    if (t.day > 31) {
        t.day = 31;
    }
    if (t.year < 1990) {
        t.year = 1990;
    } else if (t.year > 2089) {
        t.year = 2089;
    }
    if (t.hour > 23) {
        t.hour = 23;
    }
    if (t.minute > 59) {
        t.minute = 59;
    }
}

void EncodeSystemStatus(const SystemStatus& s, uint8_t* b) {
    EncodeText(s.machineNumber, sizeof s.machineNumber, b + 0, 20);
    EncodeText(s.machineId, sizeof s.machineId, b + 20, 20);
    b[40] = s.clockMode;
    b[41] = s.language;
    b[42] = s.powerSave;
    std::memcpy(b + 43, s.statusExtra, 5);
    b[48] = s.usbMode;
    b[49] = s.speaker;
    b[50] = s.ringer;
    b[51] = s.keySound;
    b[52] = s.alarmSound;
    b[53] = s.tollSaver;
    EncodeDateTime(s.tollSaverStart, b + 54);
    EncodeDateTime(s.tollSaverEnd, b + 60);
    EncodeText(s.prefixDial, sizeof s.prefixDial, b + 66, 5);
    b[71] = s.stampReceiverName;
    b[72] = s.ecmMode;
}

void DecodeSystemStatus(const uint8_t* b, SystemStatus& s) {
    DecodeText(b + 0, 20, s.machineNumber, sizeof s.machineNumber);
    DecodeText(b + 20, 20, s.machineId, sizeof s.machineId);
    s.clockMode = b[40];
    s.language = b[41];
    s.powerSave = b[42];
    std::memcpy(s.statusExtra, b + 43, 5);
    s.usbMode = b[48];
    s.speaker = b[49];
    s.ringer = b[50];
    s.keySound = b[51];
    s.alarmSound = b[52];
    s.tollSaver = b[53];
    DecodeDateTime(b + 54, s.tollSaverStart);
    DecodeDateTime(b + 60, s.tollSaverEnd);
    DecodeText(b + 66, 5, s.prefixDial, sizeof s.prefixDial);
    s.stampReceiverName = b[71];
    s.ecmMode = b[72];
}

int Mfp_GetSystemStatus() {
    int32_t written = PortWrite(kGetRequest, kGetRequestSize);
    platform::OutputDebugString("===> (Get Settings 2) SYSTEM STATUS <===\n");
    TraceNumber("WriteData = %d \n", written);
    DelayMs(kDelayMs);
    if (written != kGetRequestSize) {
        return 0;
    }

    std::unique_ptr<uint8_t[]> answer(new (std::nothrow) uint8_t[kStatusAnswerSize]());
    if (!answer) {
        platform::OutputDebugString("Mfp_GetSystemInfo() - Memory Allocation error! \n");
        return 0;
    }
    int32_t n = PortRead(answer.get(), kStatusAnswerSize);
    TraceNumber("Size to read = %d \n", kStatusAnswerSize);
    TraceNumber("ReadData = %d \n", n);
    HexDump(answer.get(), kStatusAnswerSize);
    if (n <= 4) {
        return 0;
    }
    int32_t length = ReadBe16(answer.get() + 2);
    if (length == 0) {
        return 0;
    }
    TraceNumber("Length = %d \n", length);
    // A cut-short answer would show zeros, and an Apply would then write them
    // over the machine's real settings.
    if (n < length + 4) {
        return 0;
    }
    DecodeSystemStatus(answer.get() + frame::kDataOffset, systemStatus);
    return 1;
}

int Mfp_SetSystemStatus() {
    uint8_t request[kStatusSetRequestSize];
    std::memcpy(request, kSetHead, kSetHeadSize);
    EncodeSystemStatus(systemStatus, request + kSetHeadSize);

    int32_t written = PortWrite(request, kStatusSetRequestSize);
    TraceNumber("WriteData = %d \n", written);
    DelayMs(kDelayMs);
    if (written != kStatusSetRequestSize) {
        return 0;
    }
    uint8_t answer[kSetAnswerSize] = {};
    int32_t n = PortRead(answer, kSetAnswerSize);
    TraceNumber("ReadData = %d \n", n);
    return 1;
}
