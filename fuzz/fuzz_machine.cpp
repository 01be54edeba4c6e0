#include "fuzz_machine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <unistd.h>

#include "link/port.h"
#include "model/panel_context.h"
#include "platform/debug_output.h"
#include "platform/device.h"
#include "platform/virtual_clock.h"
#include "protocol/machine_record.h"

namespace fuzz {

namespace {

constexpr char kDeviceName[] = "fuzz:machine";

struct Answer {
    std::vector<uint8_t> bytes;
    size_t offset = 0;
    size_t readLimit = 0;
    std::vector<uint8_t> written;
    // The answer comes after the request: the drain before it finds nothing.
    bool requested = false;
};

Answer& TheAnswer() {
    static Answer answer;
    return answer;
}

class QuietSink : public platform::DebugSink {
  public:
    void write(std::string_view) override {}
};

class AnswerDevice : public platform::Device {
  public:
    long write(const uint8_t* data, size_t count) override {
        Answer& a = TheAnswer();
        if (count > 0) {
            a.written.insert(a.written.end(), data, data + count);
            a.requested = true;
        }
        return long(count);
    }
    long read(uint8_t* data, size_t count) override {
        Answer& a = TheAnswer();
        if (!a.requested) {
            return 0;
        }
        size_t n = std::min(count, a.bytes.size() - a.offset);
        if (a.readLimit > 0) {
            n = std::min(n, a.readLimit);
        }
        if (n > 0) {
            std::memcpy(data, a.bytes.data() + a.offset, n);
            a.offset += n;
        }
        return long(n);
    }
    bool getCommTimeouts(platform::CommTimeouts& out) override {
        out = {};
        return true;
    }
    bool setCommTimeouts(const platform::CommTimeouts&) override { return true; }
    bool deviceControl(uint32_t, const uint8_t*, size_t, uint8_t*, size_t) override { return true; }
};

} // namespace

void PrepareMachine(PanelContext& context) {
    static platform::VirtualClock clock;
    static QuietSink sink;
    static const bool installed = [] {
        platform::InstallClock(&clock);
        platform::InstallDebugSink(&sink);
        platform::RegisterDevice(kDeviceName, [](const std::string&, const platform::OpenMode&) {
            return std::unique_ptr<platform::Device>(new AnswerDevice);
        });
        return true;
    }();
    (void)installed;
    context.link.Reset();
    context.link.currentPort = 0;
    context.link.isNt5 = 0;
    context.link.isWin9x = 0;
    std::snprintf(context.link.usbWritePath, sizeof context.link.usbWritePath, "%s", kDeviceName);
    std::snprintf(context.link.usbReadPath, sizeof context.link.usbReadPath, "%s", kDeviceName);
    SetAnswer(nullptr, 0, 0);
}

bool PrepareAnswer(PanelContext& context, const uint8_t* data, size_t size) {
    if (size < 1) {
        return false;
    }
    PrepareMachine(context);
    SetMachineRecordDefaults(context.records);
    SetAnswer(data + 1, size - 1, data[0]);
    return true;
}

void SetAnswer(const uint8_t* data, size_t size, size_t readLimit) {
    Answer& a = TheAnswer();
    a.bytes.clear();
    if (size > 0) {
        a.bytes.assign(data, data + size);
    }
    a.offset = 0;
    a.readLimit = readLimit;
    a.written.clear();
    a.requested = false;
}

const std::vector<uint8_t>& Written() {
    return TheAnswer().written;
}

std::string TempBase() {
    if (::access("/dev/shm", W_OK | X_OK) == 0) {
        return "/dev/shm";
    }
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
}

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

} // namespace fuzz
