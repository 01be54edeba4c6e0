#include "link/port.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/device.h"
#include "platform/remote_device.h"

const char* const PortTable[kPortCount] = {
    "USB", "LPT1", "LPT2", "LPT3", "\\\\.\\VornEcp1", "\\\\.\\VornEcp2", "\\\\.\\VornEcp3",
};

namespace {

constexpr int32_t kUsbPort = 0;
constexpr int32_t kEcpPort = 4;
constexpr int32_t kUsbWriteChunk = 3072;
constexpr int32_t kUsbReadChunk = 2048;

// Parallel ports opened by name: bounded reads and writes.
constexpr uint32_t kReadIntervalTimeout = 200;
constexpr uint32_t kReadTotalTimeoutConstant = 3000;
constexpr uint32_t kWriteTotalTimeoutConstant = 5000;

// ECP driver controls (device type 0x18, buffered, any access).
constexpr uint32_t kEcpSetHardwareMode = 0x182014; // function 0x805
constexpr uint32_t kEcpSetMode = 0x182004;         // function 0x801

void Trace(const char* text) {
    platform::OutputDebugString(text);
}

void TraceF(const char* format, ...) __attribute__((format(printf, 1, 2)));
void TraceF(const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    platform::OutputDebugString(line);
}

// A transfer result as a count within 0..limit: errors count as nothing moved,
// and a driver never gets to claim more than the buffer holds.
int32_t Bounded(long result, int32_t limit) {
    if (result <= 0) {
        return 0;
    }
    return result > limit ? limit : static_cast<int32_t>(result);
}

bool ValidPort(const LinkState& link) {
    return link.currentPort >= 0 && link.currentPort < kPortCount;
}

void ApplyPortTimeouts(platform::Device& device, platform::CommTimeouts& timeouts) {
    timeouts.readIntervalTimeout = kReadIntervalTimeout;
    timeouts.readTotalTimeoutConstant = kReadTotalTimeoutConstant;
    timeouts.writeTotalTimeoutConstant = kWriteTotalTimeoutConstant;
    device.setCommTimeouts(timeouts); // the port keeps its own values when this fails
}

int32_t UsbChunkedWrite(const LinkState& link, const uint8_t* buffer, int32_t count) {
    int32_t sent = 0;
    while (sent < count) {
        int32_t chunk = std::min(kUsbWriteChunk, count - sent);
        int r = link.pWin2kUsbWrite ? link.pWin2kUsbWrite(buffer + sent, chunk) : 0;
        TraceF("Win2kUsbWrite(?) = %d", r);
        if (r <= 0) {
            break;
        }
        sent += std::min(r, chunk);
    }
    return sent;
}

// A machine on another computer answers a round trip later than the fixed
// waits allow for: each read gets that much more time.
void AllowRoundTrip(LinkState& link) {
    if (link.exchangeLimit.timed) {
        link.exchangeLimit.budgetMs += platform::RemoteRoundTripMs();
    }
}

// One read through the USB library. Inside a timed exchange a library that
// takes a limit gets the time left, so that a machine trickling its answer
// cannot hold the read past it.
int UsbLibraryRead(const LinkState& link, uint8_t* buffer, int32_t count) {
    if (link.pWin2kUsbReadWithin && link.exchangeLimit.timed) {
        const uint32_t left = std::min<uint32_t>(ExchangeMsLeft(link), INT32_MAX);
        return link.pWin2kUsbReadWithin(buffer, count, static_cast<int>(left));
    }
    return link.pWin2kUsbRead ? link.pWin2kUsbRead(buffer, count) : 0;
}

int32_t UsbChunkedRead(LinkState& link, uint8_t* buffer, int32_t count) {
    int32_t got = 0;
    while (got < count) {
        if (ExchangeMsLeft(link) == 0) {
            return got;
        }
        if (got > 0) {
            AllowRoundTrip(link);
        }
        int32_t chunk = std::min(kUsbReadChunk, count - got);
        int r = UsbLibraryRead(link, buffer + got, chunk);
        TraceF("Read(x) = %d", r);
        if (r != chunk) {
            return got + Bounded(r, chunk);
        }
        got += r;
    }
    return got;
}

} // namespace

int32_t PortWrite(const LinkState& link, const uint8_t* buffer, int32_t count) {
    if (!ValidPort(link) || (buffer == nullptr && count > 0)) {
        return 0;
    }
    count = std::max(count, 0);

    if (link.currentPort == kUsbPort) {
        if (link.isNt5 && count > kUsbWriteChunk) {
            return UsbChunkedWrite(link, buffer, count);
        }
        auto device = platform::OpenDevice(link.usbWritePath, {.write = true, .shared = true});
        if (!device) {
            return 0;
        }
        return Bounded(device->write(buffer, count), count);
    }

    const char* name = PortTable[link.currentPort];
    auto device = platform::OpenDevice(name, {.write = true});
    if (!device) {
        TraceF("Can not open the port: %s \n", name);
        return 0;
    }
    if (link.currentPort != kEcpPort) {
        platform::CommTimeouts timeouts;
        if (!device->getCommTimeouts(timeouts)) {
            return 0;
        }
        ApplyPortTimeouts(*device, timeouts);
    }
    return Bounded(device->write(buffer, count), count);
}

int32_t PortRead(LinkState& link, uint8_t* buffer, int32_t count) {
    if (!ValidPort(link) || (buffer == nullptr && count > 0)) {
        return 0;
    }
    count = std::max(count, 0);
    if (ExchangeMsLeft(link) == 0) {
        Trace("Exchange time is up \n");
        return 0;
    }
    AllowRoundTrip(link);

    if (link.currentPort == kUsbPort) {
        if (link.isNt5) {
            if (count <= kUsbReadChunk) {
                return Bounded(UsbLibraryRead(link, buffer, count), count);
            }
            return UsbChunkedRead(link, buffer, count);
        }
        auto device = platform::OpenDevice(link.usbReadPath, {.read = true});
        if (!device) {
            Trace(" USB Port open error - for Reading ");
            return 0;
        }
        return Bounded(device->read(buffer, count), count);
    }

    auto device = platform::OpenDevice(PortTable[link.currentPort], {.read = true, .write = true});
    if (!device) {
        DbgPrint("\n Can not open the port: LPT1 \n");
        return 0;
    }
    if (link.currentPort == kEcpPort) {
        const uint8_t zero = 0;
        if (!device->deviceControl(kEcpSetHardwareMode, &zero, 1, nullptr, 0)) {
            Trace("[Error: Device can't be set to the H/W mode(Method) you want.]");
        }
        if (!device->deviceControl(kEcpSetMode, &zero, 1, nullptr, 0)) {
            Trace("[Error: Mode has not been changed.]");
        }
    } else {
        platform::CommTimeouts timeouts;
        if (!device->getCommTimeouts(timeouts)) {
            DbgPrint("\n ERROR: Failed to set Comm State\n");
            return 0;
        }
        ApplyPortTimeouts(*device, timeouts);
    }
    return Bounded(device->read(buffer, count), count);
}

namespace {

// Reads with read until nothing more comes, within the discard limits.
template <typename ReadFn> int32_t DiscardWith(ReadFn read) {
    constexpr int32_t kScratch = 4096;
    uint8_t scratch[kScratch];
    int32_t dropped = 0;
    for (int round = 0; round < kDiscardRounds && dropped < kDiscardLimit; ++round) {
        const int32_t want = std::min(kScratch, kDiscardLimit - dropped);
        const int32_t n = read(scratch, want);
        if (n <= 0) {
            break;
        }
        dropped += n;
    }
    return dropped;
}

// Drains an open device with reads that return at once; its time-outs are put
// back afterwards, since some devices keep them beyond this handle.
int32_t DiscardFromDevice(platform::Device& device) {
    platform::CommTimeouts saved;
    if (!device.getCommTimeouts(saved) ||
        !device.setCommTimeouts(platform::WithReadsAtOnce(saved))) {
        return 0; // a read could wait: better to drain nothing
    }
    const int32_t dropped =
        DiscardWith([&](uint8_t* b, int32_t n) { return Bounded(device.read(b, n), n); });
    device.setCommTimeouts(saved);
    return dropped;
}

int32_t DiscardQueued(const LinkState& link) {
    if (link.currentPort == kUsbPort && link.isNt5 && link.pWin2kUsbReadWithin) {
        return DiscardWith(
            [&](uint8_t* b, int32_t n) { return Bounded(link.pWin2kUsbReadWithin(b, n, 0), n); });
    }
    // Without a library that can read at once, the device is read by its name.
    const char* name =
        link.currentPort == kUsbPort ? link.usbReadPath : PortTable[link.currentPort];
    const platform::OpenMode mode = link.currentPort == kUsbPort
                                        ? platform::OpenMode{.read = true}
                                        : platform::OpenMode{.read = true, .write = true};
    auto device = platform::OpenDevice(name, mode);
    if (!device) {
        return 0;
    }
    if (link.currentPort == kEcpPort) {
        // The answer comes back in the mode the reads use; a refusal shows at
        // the exchange's own read.
        const uint8_t zero = 0;
        device->deviceControl(kEcpSetHardwareMode, &zero, 1, nullptr, 0);
        device->deviceControl(kEcpSetMode, &zero, 1, nullptr, 0);
    }
    return DiscardFromDevice(*device);
}

} // namespace

int32_t PortDiscard(const LinkState& link) {
    if (!ValidPort(link)) {
        return 0;
    }
    // A new conversation: a connection to another computer lost in an earlier
    // one may be made again, never one lost in the middle of this one.
    platform::AllowRemoteReconnect();
    const int32_t dropped = DiscardQueued(link);
    if (dropped > 0) {
        TraceF("Discarded = %d \n", static_cast<int>(dropped));
    }
    return dropped;
}

void BeginExchange(LinkState& link, uint32_t budgetMs) {
    link.exchangeLimit = {.timed = true, .start = platform::GetTickCount(), .budgetMs = budgetMs};
}

void EndExchange(LinkState& link) {
    link.exchangeLimit.timed = false;
}

uint32_t ExchangeMsLeft(const LinkState& link) {
    if (!link.exchangeLimit.timed) {
        return UINT32_MAX;
    }
    const uint32_t elapsed = platform::GetTickCount() - link.exchangeLimit.start; // wraps safely
    return elapsed >= link.exchangeLimit.budgetMs ? 0 : link.exchangeLimit.budgetMs - elapsed;
}

int32_t AcquirePort(LinkState& link, int32_t id) {
    if (link.arbitrationLibrary) {
        // A second acquire must not leak the first load.
        platform::FreeLibrary(link.arbitrationLibrary);
        link.arbitrationLibrary = nullptr;
    }
    link.arbitrationLibrary = platform::LoadLibrary("vexlink.dll");
    if (!link.arbitrationLibrary) {
        return 1; // without the scanner driver's library the port is free
    }
    auto acquire = reinterpret_cast<PortAcquireFn>(
        platform::GetProcAddress(link.arbitrationLibrary, "PortAcquire"));
    if (!acquire) {
        platform::FreeLibrary(link.arbitrationLibrary);
        link.arbitrationLibrary = nullptr;
        Trace("RCP: Port Acquire - FAILED");
        return 0;
    }
    if (acquire(id) != 0) {
        Trace("412 RCP: Port Acquire - SUCCESS");
        return 1;
    }
    Trace("RCP: Port Acquire - FAILED");
    return 0;
}

std::string PortHolderProgram(const LinkState& link, int32_t id) {
    if (!link.arbitrationLibrary) {
        return {};
    }
    auto holder = reinterpret_cast<PortHolderFn>(
        platform::GetProcAddress(link.arbitrationLibrary, "PortHolder"));
    char name[64] = {};
    if (!holder || holder(id, name, sizeof name) != 1) {
        return {};
    }
    return std::string(name, strnlen(name, sizeof name));
}

int32_t ReleasePort(LinkState& link, int32_t id) {
    if (!link.arbitrationLibrary) {
        return 0;
    }
    auto release = reinterpret_cast<PortReleaseFn>(
        platform::GetProcAddress(link.arbitrationLibrary, "PortRelease"));
    if (!release) {
        platform::FreeLibrary(link.arbitrationLibrary);
        link.arbitrationLibrary = nullptr;
        return 0;
    }
    int result = release(id);
    platform::FreeLibrary(link.arbitrationLibrary);
    link.arbitrationLibrary = nullptr;
    if (result != 0) {
        Trace("RCP: Port Release - TRUE\n");
        return 1;
    }
    Trace("RCP: Port Release - FALSE\n");
    return 0;
}

void DbgPrint(const char* format, ...) {
    // 256 characters in all; the last formatted one gives way to the "\r".
    char line[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line - 1, format, args);
    va_end(args);
    size_t length = n < 0 ? 0 : std::min(static_cast<size_t>(n), sizeof line - 2);
    line[length] = '\r';
    line[length + 1] = '\0';
    platform::OutputDebugString(std::string_view(line, length + 1));
}

void LinkState::Reset() {
    for (platform::LibraryHandle library : {usbLibrary, arbitrationLibrary}) {
        if (library) {
            platform::FreeLibrary(library);
        }
    }
    *this = LinkState{};
}
