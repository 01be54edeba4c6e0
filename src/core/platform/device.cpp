#include "platform/device.h"
#include "platform/char_device.h"
#include "platform/ppdev_device.h"
#include "platform/real_device.h"
#include "platform/remote_device.h"
#include "platform/usb_device.h"
#include "platform/virtual_device.h"

#include <cstdlib>
#include <map>
#include <mutex>

namespace platform {

namespace {

// Longer names are not names of anything we open.
constexpr size_t kMaxDeviceName = 4096;
// Environment overrides may name each other; a loop ends here.
constexpr int kMaxResolveDepth = 8;

struct Registry {
    std::mutex mutex;
    std::map<std::string, DeviceFactory> exact;
    std::map<std::string, DeviceFactory> prefixes; // key without the '*'
};

// One namespace per process: the stand-in libraries open their devices
// through the program's.
Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// The factory for name: an exact entry, else the longest matching prefix.
DeviceFactory FindRegistered(const std::string& name) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (auto it = r.exact.find(name); it != r.exact.end()) {
        return it->second;
    }
    const DeviceFactory* best = nullptr;
    size_t bestLength = 0;
    for (const auto& [prefix, factory] : r.prefixes) {
        if (name.compare(0, prefix.size(), prefix) == 0 && (!best || prefix.size() > bestLength)) {
            best = &factory;
            bestLength = prefix.size();
        }
    }
    return best ? *best : DeviceFactory{};
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(s[i]) != LowerAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

// 1..3 when name is prefix followed by that single digit (any case), else 0.
int NumberedName(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + 1 || !StartsWithNoCase(name, prefix)) {
        return 0;
    }
    const char d = name.back();
    return (d >= '1' && d <= '3') ? d - '0' : 0;
}

std::string Environment(const std::string& variable) {
    const char* value = std::getenv(variable.c_str());
    return value ? std::string(value) : std::string();
}

// A device of the real world: noted when it opened.
std::unique_ptr<Device> Real(std::unique_ptr<Device> device) {
    if (device) {
        NoteRealDeviceOpened();
    }
    return device;
}

thread_local int resolveDepth = 0;

struct DepthGuard {
    DepthGuard() { ++resolveDepth; }
    ~DepthGuard() { --resolveDepth; }
};

std::unique_ptr<Device> Resolve(const std::string& name, const OpenMode& mode) {
    if (name.empty() || name.size() > kMaxDeviceName || name.find('\0') != std::string::npos) {
        return nullptr;
    }
    if (resolveDepth >= kMaxResolveDepth) {
        return nullptr;
    }
    DepthGuard guard;

    if (DeviceFactory factory = FindRegistered(name)) {
        try {
            return factory(name, mode);
        } catch (...) {
            return nullptr; // a broken factory is a device that will not open
        }
    }
    if (const int n = NumberedName(name, "LPT")) {
        const std::string over = Environment("FAXRCP_LPT" + std::to_string(n));
        return Resolve(over.empty() ? "/dev/lp" + std::to_string(n - 1) : over, mode);
    }
    if (const int n = NumberedName(name, "\\\\.\\VornEcp")) {
        const std::string over = Environment("FAXRCP_ECP" + std::to_string(n));
        return Resolve(over.empty() ? "ppdev:/dev/parport" + std::to_string(n - 1) : over, mode);
    }
    if (name.rfind("ppdev:", 0) == 0) {
        // The parallel port through ppdev, so that the ECP device controls work.
        return Real(OpenPpdevDevice(name.substr(6), mode));
    }
    if (name.rfind("usb:", 0) == 0) {
        return Real(OpenUsbDevice(name, mode));
    }
    if (name.rfind(kSshPrefix, 0) == 0) {
        return OpenRemoteDevice(name, mode); // real or not as the far side says
    }
    if (name.rfind("unix:", 0) == 0) {
        return OpenVirtualDevice(name.substr(5), mode);
    }
    if (name.front() == '/') {
        return Real(CharDevice::Open(name, mode));
    }
    // "sim:" exists only while the simulated machine has registered it.
    return nullptr;
}

} // namespace

std::unique_ptr<Device> OpenDevice(const std::string& name, const OpenMode& mode) {
    try {
        return Resolve(name, mode);
    } catch (...) {
        return nullptr;
    }
}

void RegisterDevice(const std::string& key, DeviceFactory factory) {
    if (key.empty()) {
        return;
    }
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (key.back() == '*') {
        const std::string prefix = key.substr(0, key.size() - 1);
        if (factory) {
            r.prefixes[prefix] = std::move(factory);
        } else {
            r.prefixes.erase(prefix);
        }
    } else if (factory) {
        r.exact[key] = std::move(factory);
    } else {
        r.exact.erase(key);
    }
}

void UnregisterDevice(const std::string& key) {
    RegisterDevice(key, DeviceFactory{});
}

} // namespace platform
