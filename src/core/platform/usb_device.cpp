#include "platform/usb_device.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/usb_backend.h"

namespace platform {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

constexpr int kBusyRetries = 3;         // after the first try, one second apart
constexpr int kMaxTransfer = 64 * 1024; // one bulk IN request at most
constexpr uint32_t kDefaultTimeoutMs = 5000;

struct UsbName {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string serial;
};

bool ParseHex16(const std::string& text, uint16_t& out) {
    if (text.size() != 4) {
        return false;
    }
    unsigned value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        value = value * 16 + unsigned(digit);
    }
    out = uint16_t(value);
    return true;
}

std::optional<UsbName> ParseUsbName(const std::string& name) {
    if (name.size() > 200 || name.rfind("usb:", 0) != 0) {
        return std::nullopt;
    }
    UsbName parsed;
    std::string rest = name.substr(4);
    if (rest.size() < 9 || rest[4] != ':') {
        return std::nullopt;
    }
    if (!ParseHex16(rest.substr(0, 4), parsed.vendorId) ||
        !ParseHex16(rest.substr(5, 4), parsed.productId)) {
        return std::nullopt;
    }
    if (rest.size() > 9) {
        if (rest[9] != ':' || rest.size() == 10) {
            return std::nullopt;
        }
        parsed.serial = rest.substr(10);
    }
    return parsed;
}

struct Claim {
    UsbPrinterInterface iface;
    UsbBackend::Handle handle = 0;
    bool detachedKernelDriver = false;
};

struct Port {
    std::optional<Claim> claim;
    std::deque<uint8_t> pending; // answer bytes that arrived beyond a read
    int openCount = 0;
    SteadyTime lastUse{};
};

class UsbPorts {
  public:
    ~UsbPorts() {
        stopWatcher();
        std::lock_guard lock(mutex_);
        for (auto& [name, port] : ports_) {
            releaseLocked(port);
        }
    }

    std::mutex mutex_;
    std::map<std::string, Port> ports_;
    std::string permissionProblem_;

    // Gives the interface back and re-attaches the kernel driver it displaced.
    void releaseLocked(Port& port) {
        if (!port.claim) {
            return;
        }
        UsbBackend* backend = CurrentUsbBackend();
        if (backend) {
            backend->releaseInterface(port.claim->handle, port.claim->iface.interfaceNumber);
            if (port.claim->detachedKernelDriver) {
                backend->attachKernelDriver(port.claim->handle, port.claim->iface.interfaceNumber);
            }
            backend->close(port.claim->handle);
        }
        port.claim.reset();
    }

    // The device went away: nothing to give back, nothing left to read.
    void dropLocked(Port& port) {
        if (port.claim) {
            if (UsbBackend* backend = CurrentUsbBackend()) {
                backend->close(port.claim->handle);
            }
        }
        port.claim.reset();
        port.pending.clear();
    }

    void startWatcher() {
        if (watcherStarted_ || !watcherEnabled_) {
            return;
        }
        watcherStarted_ = true;
        watcher_ = std::thread([this] {
            std::unique_lock lock(watchMutex_);
            while (!stop_) {
                watchCv_.wait_for(lock, std::chrono::milliseconds(500));
                if (stop_) {
                    break;
                }
                lock.unlock();
                ReleaseIdleUsbInterfaces(std::chrono::steady_clock::now());
                lock.lock();
            }
        });
    }

    void stopWatcher() {
        {
            std::lock_guard lock(watchMutex_);
            stop_ = true;
        }
        watchCv_.notify_all();
        if (watcher_.joinable()) {
            watcher_.join();
        }
    }

    bool watcherEnabled_ = true;
    bool watcherStarted_ = false;

  private:
    std::thread watcher_;
    std::mutex watchMutex_;
    std::condition_variable watchCv_;
    bool stop_ = false;
};

// Open USB interfaces are shared by every user of the device namespace in the
// process.
UsbPorts& Ports() {
    static UsbPorts ports;
    return ports;
}

void Trace(const std::string& text) {
    OutputDebugString(text);
}

// Finds the interface and claims it. Called with the ports' mutex held.
bool ClaimLocked(UsbPorts& ports, Port& port, const UsbName& wanted) {
    UsbBackend* backend = CurrentUsbBackend();
    if (!backend) {
        return false;
    }
    std::vector<UsbPrinterInterface> printers;
    if (backend->listPrinters(printers) != 0) {
        return false;
    }
    auto match = std::find_if(printers.begin(), printers.end(), [&](const auto& p) {
        return p.vendorId == wanted.vendorId && p.productId == wanted.productId &&
               (wanted.serial.empty() || p.serial == wanted.serial);
    });
    if (match == printers.end()) {
        return false;
    }

    Claim claim;
    claim.iface = *match;
    int result = backend->open(claim.iface, claim.handle);
    if (result == kUsbErrorAccess) {
        ports.permissionProblem_ = claim.iface.deviceNode();
        Trace("USB: no permission to open " + ports.permissionProblem_ +
              " (install the udev rule 70-faxrcp.rules)\n");
        return false;
    }
    if (result != 0) {
        return false;
    }
    ports.permissionProblem_.clear();

    const int n = claim.iface.interfaceNumber;
    if (backend->kernelDriverActive(claim.handle, n) == 1) {
        if (backend->detachKernelDriver(claim.handle, n) == 0) {
            claim.detachedKernelDriver = true;
        }
    }
    result = backend->claimInterface(claim.handle, n);
    for (int retry = 0; result == kUsbErrorBusy && retry < kBusyRetries; ++retry) {
        Sleep(1000);
        result = backend->claimInterface(claim.handle, n);
    }
    if (result != 0) {
        Trace("USB: interface " + std::to_string(n) + " of " + claim.iface.portName() +
              " is busy\n");
        if (claim.detachedKernelDriver) {
            backend->attachKernelDriver(claim.handle, n);
        }
        backend->close(claim.handle);
        return false;
    }
    if (claim.iface.altSetting != 0) {
        backend->setAltSetting(claim.handle, n, claim.iface.altSetting);
    }
    port.claim = claim;
    return true;
}

class UsbDevice : public TimedDevice {
  public:
    explicit UsbDevice(std::string name) : name_(std::move(name)) {
        timeouts_.readIntervalTimeout = 200;
        timeouts_.readTotalTimeoutConstant = kDefaultTimeoutMs;
        timeouts_.writeTotalTimeoutConstant = kDefaultTimeoutMs;
    }

    ~UsbDevice() override {
        UsbPorts& ports = Ports();
        std::lock_guard lock(ports.mutex_);
        Port& port = ports.ports_[name_];
        --port.openCount;
        port.lastUse = std::chrono::steady_clock::now();
    }

    long write(const uint8_t* data, size_t count) override {
        UsbPorts& ports = Ports();
        std::lock_guard lock(ports.mutex_);
        Port& port = ports.ports_[name_];
        UsbBackend* backend = CurrentUsbBackend();
        if (!port.claim || !backend) {
            return -1;
        }
        long total = 0;
        while (size_t(total) < count) {
            int chunk = int(std::min<size_t>(count - size_t(total), kMaxTransfer));
            int done = 0;
            int result = backend->bulkTransfer(port.claim->handle, port.claim->iface.endpointOut,
                                               const_cast<uint8_t*>(data + total), chunk, done,
                                               writeTimeout(count));
            total += std::clamp(done, 0, chunk);
            if (result == kUsbErrorNoDevice) {
                ports.dropLocked(port);
                return total ? total : -1;
            }
            if (result != 0 || done < chunk) {
                break;
            }
        }
        port.lastUse = std::chrono::steady_clock::now();
        return total;
    }

    long read(uint8_t* data, size_t count) override {
        UsbPorts& ports = Ports();
        std::lock_guard lock(ports.mutex_);
        Port& port = ports.ports_[name_];
        UsbBackend* backend = CurrentUsbBackend();
        if (!port.claim || !backend) {
            return -1;
        }
        const int packet = std::max<int>(1, port.claim->iface.maxPacketIn);
        bool first = true;
        while (port.pending.size() < count) {
            // Whole packets only: asking for less than a packet loses the rest.
            size_t missing = count - port.pending.size();
            int length = int(std::min<size_t>((missing + packet - 1) / packet * packet,
                                              size_t(kMaxTransfer / packet * packet)));
            std::vector<uint8_t> buffer(static_cast<size_t>(length));
            int done = 0;
            unsigned timeout = first ? readTimeout(count) : timeouts_.readIntervalTimeout;
            if (timeout == 0) {
                timeout = kDefaultTimeoutMs;
            }
            // libusb takes 0 as "for ever": 1 ms is the nearest to "at once".
            if (ReadsReturnAtOnce(timeouts_)) {
                timeout = 1;
            }
            int result = backend->bulkTransfer(port.claim->handle, port.claim->iface.endpointIn,
                                               buffer.data(), length, done, timeout);
            done = std::clamp(done, 0, length);
            port.pending.insert(port.pending.end(), buffer.begin(), buffer.begin() + done);
            if (result == kUsbErrorNoDevice) {
                ports.dropLocked(port);
                return -1;
            }
            first = false;
            // A short packet ends the machine's answer; an error or time-out ends the read.
            if (result != 0 || done < length) {
                break;
            }
        }
        size_t n = std::min(count, port.pending.size());
        std::copy_n(port.pending.begin(), n, data);
        port.pending.erase(port.pending.begin(), port.pending.begin() + long(n));
        port.lastUse = std::chrono::steady_clock::now();
        return long(n);
    }

    bool deviceControl(uint32_t, const uint8_t*, size_t, uint8_t*, size_t) override {
        return false;
    }

  private:
    unsigned readTimeout(size_t count) const {
        uint64_t t = uint64_t(timeouts_.readTotalTimeoutMultiplier) * count +
                     timeouts_.readTotalTimeoutConstant;
        return unsigned(std::min<uint64_t>(t, 600000));
    }
    unsigned writeTimeout(size_t count) const {
        uint64_t t = uint64_t(timeouts_.writeTotalTimeoutMultiplier) * count +
                     timeouts_.writeTotalTimeoutConstant;
        t = std::min<uint64_t>(t, 600000);
        return t ? unsigned(t) : kDefaultTimeoutMs;
    }

    std::string name_;
};

} // namespace

std::unique_ptr<Device> OpenUsbDevice(const std::string& name, const OpenMode&) {
    std::optional<UsbName> wanted = ParseUsbName(name);
    if (!wanted) {
        return nullptr;
    }
    UsbPorts& ports = Ports();
    std::lock_guard lock(ports.mutex_);
    Port& port = ports.ports_[name];
    if (!port.claim && !ClaimLocked(ports, port, *wanted)) {
        return nullptr;
    }
    ++port.openCount;
    port.lastUse = std::chrono::steady_clock::now();
    ports.startWatcher();
    return std::make_unique<UsbDevice>(name);
}

void ReleaseIdleUsbInterfaces(SteadyTime now) {
    UsbPorts& ports = Ports();
    std::lock_guard lock(ports.mutex_);
    for (auto& [name, port] : ports.ports_) {
        if (port.claim && port.openCount == 0 && now - port.lastUse >= kUsbIdleRelease) {
            ports.releaseLocked(port);
        }
    }
}

void ReleaseAllUsbInterfaces() {
    UsbPorts& ports = Ports();
    std::lock_guard lock(ports.mutex_);
    for (auto& [name, port] : ports.ports_) {
        if (port.openCount == 0) {
            ports.releaseLocked(port);
        }
    }
}

void SetUsbIdleWatcher(bool enabled) {
    UsbPorts& ports = Ports();
    {
        std::lock_guard lock(ports.mutex_);
        ports.watcherEnabled_ = enabled;
    }
    // The watcher takes the ports' lock itself: stop it without holding it.
    if (!enabled) {
        ports.stopWatcher();
    }
}

std::string UsbPermissionProblem() {
    UsbPorts& ports = Ports();
    std::lock_guard lock(ports.mutex_);
    return ports.permissionProblem_;
}

} // namespace platform
