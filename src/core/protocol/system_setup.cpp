#include "protocol/system_setup.h"

#include <memory>
#include <new>

#include "link/port.h"
#include "platform/debug_output.h"
#include "protocol/exchange.h"
#include "protocol/record_trace.h"

namespace {

constexpr uint8_t kGetRequest[] = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x41};
constexpr uint8_t kSetHead[] = {0x1B, 0xA4, 0x00, 0x1B, 0x50, 0xE0, 0x82, 0xC2, 0x41};
constexpr int32_t kGetRequestSize = sizeof kGetRequest;
constexpr int32_t kSetHeadSize = sizeof kSetHead;
static_assert(kSetHeadSize + kSetupBlockSize == kSetupSetRequestSize);
constexpr int32_t kSetAnswerSize = 10;
constexpr uint32_t kGetDelayMs = 1000;
constexpr uint32_t kSetDelayMs = 500;

} // namespace

void SetSystemSetupDefaults() {
    systemSetup = SystemSetup{};
    systemSetup.discardSize = 10;
    systemSetup.contrast = 1;
    systemSetup.documentMode = 1;
    systemSetup.zoom = 100;
    systemSetup.copies = 1;
    systemSetup.printTimeOut = 1;
    systemSetup.receiveMode = 1;
    systemSetup.setupByte15 = 9;
    systemSetup.autoJournal = 1;
    systemSetup.rxReduction = 1;
    systemSetup.ringCount = 2;
    systemSetup.redialInterval = 3;
    systemSetup.redialCount = 3;
    systemSetup.sendingConfirm = 2;
}

void EncodeSystemSetup(const SystemSetup& s, uint8_t* b) {
    b[0] = s.setupByte0;
    b[1] = s.setupByte1;
    b[2] = s.trayPaperSize;
    b[3] = s.setupByte3;
    b[4] = s.bypassPaperSize;
    b[5] = s.bypassPaperType;
    b[6] = s.discardSize;
    b[7] = s.contrast;
    b[8] = s.documentMode;
    WriteBe16(b + 9, s.zoom);
    WriteBe16(b + 11, s.copies);
    b[13] = s.printTimeOut;
    b[14] = s.receiveMode;
    b[15] = s.setupByte15;
    b[16] = s.ringCount;
    b[17] = s.redialInterval;
    b[18] = s.redialCount;
    b[19] = s.sendingConfirm;
    b[20] = s.autoJournal;
    b[21] = s.rxReduction;
}

void DecodeSystemSetup(const uint8_t* b, SystemSetup& s) {
    s.setupByte0 = b[0];
    s.setupByte1 = b[1];
    s.trayPaperSize = b[2];
    s.setupByte3 = b[3];
    s.bypassPaperSize = b[4];
    s.bypassPaperType = b[5];
    s.discardSize = b[6];
    s.contrast = b[7];
    s.documentMode = b[8];
    s.zoom = ReadBe16(b + 9);
    s.copies = ReadBe16(b + 11);
    s.printTimeOut = b[13];
    s.receiveMode = b[14];
    s.setupByte15 = b[15];
    s.ringCount = b[16];
    s.redialInterval = b[17];
    s.redialCount = b[18];
    s.sendingConfirm = b[19];
    s.autoJournal = b[20];
    s.rxReduction = b[21];
}

int Mfp_GetSettings() {
    int32_t written = PortWrite(kGetRequest, kGetRequestSize);
    platform::OutputDebugString("===> (Get Settings) SYSTEM SETUP <===\n");
    TraceNumber("WriteData = %d \n", written);
    DelayMs(kGetDelayMs);
    if (written != kGetRequestSize) {
        return 0;
    }

    std::unique_ptr<uint8_t[]> answer(new (std::nothrow) uint8_t[kSetupAnswerSize]());
    if (!answer) {
        platform::OutputDebugString("Mfp_GetSettings() - Memory Allocation error! \n");
        return 0;
    }
    int32_t n = PortRead(answer.get(), kSetupAnswerSize);
    TraceNumber("Size to read = %d \n", kSetupAnswerSize);
    TraceNumber("ReadData = %d \n", n);
    HexDump(answer.get(), n);

    int32_t length = n > 4 ? ReadBe16(answer.get() + 2) : 0;
    bool ok = n == length + 4;
    if (length != 0) {
        TraceNumber("Length = %d \n", length);
        // A cut-short answer would put zeros over the settings, which the
        // next Apply would then send to the machine.
        if (ok) {
            DecodeSystemSetup(answer.get() + frame::kDataOffset, systemSetup);
        }
    }
    return ok ? 1 : 0;
}

int Mfp_SetSettings() {
    uint8_t request[kSetupSetRequestSize];
    for (int32_t i = 0; i < kSetHeadSize; ++i) {
        request[i] = kSetHead[i];
    }
    EncodeSystemSetup(systemSetup, request + kSetHeadSize);

    int32_t written = PortWrite(request, kSetupSetRequestSize);
    platform::OutputDebugString("===> SET SETTINGS <===\n");
    TraceNumber("WriteData = %d \n", written);
    HexDump(request, kSetupSetRequestSize);
    DelayMs(kSetDelayMs);
    if (written != kSetupSetRequestSize) {
        return 0;
    }
    uint8_t answer[kSetAnswerSize] = {};
    PortRead(answer, kSetAnswerSize);
    return 1;
}
