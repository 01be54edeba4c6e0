// libtirusb.so: the USB library the program loads as "tirusb.dll". It names
// the machine's control port and moves bytes through the device namespace.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "drivers/driver_abi.h"
#include "drivers/usb_discovery.h"
#include "platform/device.h"

namespace {

constexpr uint32_t kTransferTimeoutMs = 5000;
// After the first bytes of an answer, a pause this long means it is complete.
constexpr uint32_t kGapTimeoutMs = 200;

std::string ControlPort() {
    if (const char* over = std::getenv("FAXRCP_USB_PORT"); over && *over) {
        return over;
    }
    return drivers::FindUsbControlPort();
}

std::unique_ptr<platform::Device> Open(bool forReading) {
    const std::string name = ControlPort();
    if (name.empty()) {
        return nullptr;
    }
    platform::OpenMode mode;
    mode.read = forReading;
    mode.write = true;
    mode.shared = true;
    return platform::OpenDevice(name, mode);
}

void SetTimeouts(platform::Device& device, uint32_t readTotal) {
    platform::CommTimeouts t;
    device.getCommTimeouts(t);
    t.readIntervalTimeout = 0;
    t.readTotalTimeoutMultiplier = 0;
    t.readTotalTimeoutConstant = readTotal;
    t.writeTotalTimeoutMultiplier = 0;
    t.writeTotalTimeoutConstant = kTransferTimeoutMs;
    device.setCommTimeouts(t);
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int GetControlPortName(char* buffer, int size) {
    if (!buffer || size <= 0) {
        return 0;
    }
    const std::string name = ControlPort();
    const size_t n = std::min(name.size(), size_t(size - 1));
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return int(n);
}

__attribute__((visibility("default"))) int Win2kUsbWrite(const unsigned char* buffer, int count) {
    if (!buffer || count <= 0) {
        return 0;
    }
    const std::unique_ptr<platform::Device> device = Open(false);
    if (!device) {
        return 0;
    }
    SetTimeouts(*device, kTransferTimeoutMs);
    const long r = device->write(buffer, size_t(count));
    return r > 0 ? int(std::min<long>(r, count)) : 0;
}

__attribute__((visibility("default"))) int Win2kUsbRead(unsigned char* buffer, int count) {
    if (!buffer || count <= 0) {
        return 0;
    }
    const std::unique_ptr<platform::Device> device = Open(true);
    if (!device) {
        return 0;
    }
    // The answer may come in several transfers: wait up to 5 s for the first
    // bytes, then take what follows without a pause.
    SetTimeouts(*device, kTransferTimeoutMs);
    int got = 0;
    while (got < count) {
        const long r = device->read(buffer + got, size_t(count - got));
        if (r <= 0) {
            break;
        }
        got += int(std::min<long>(r, count - got));
        if (got < count) {
            SetTimeouts(*device, kGapTimeoutMs);
        }
    }
    return got;
}

} // extern "C"
