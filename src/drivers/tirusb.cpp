// libtirusb.so: the USB library the program loads as "tirusb.dll". It names
// the machine's control port and moves bytes through the device namespace.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "link/driver_abi.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/device_name.h"
#include "platform/remembered_usb_port.h"
#include "platform/usb_backend.h"
#include "platform/usb_candidates.h"

namespace {

constexpr uint32_t kTransferTimeoutMs = 5000;
constexpr uint32_t kMaxTransferTimeoutMs = 600000;
// After the first bytes of an answer, a pause this long means it is complete.
constexpr uint32_t kGapTimeoutMs = 200;

// How long a transfer may take: 5 s, or FAXRCP_USB_TIMEOUT_MS (1..600000) for
// a machine that is known to answer faster, as a simulated one does.
uint32_t TransferTimeoutMs() {
    const char* text = std::getenv("FAXRCP_USB_TIMEOUT_MS");
    if (!text || !*text) {
        return kTransferTimeoutMs;
    }
    char* end = nullptr;
    const unsigned long ms = std::strtoul(text, &end, 10);
    if (*end != '\0' || text[0] == '-' || ms == 0 || ms > kMaxTransferTimeoutMs) {
        return kTransferTimeoutMs;
    }
    return uint32_t(ms);
}

std::mutex foundMutex;
std::string foundPort;    // the interface the last search named
std::string selectedPort; // the program's choice among several (SelectControlPort)

// One machine: as always. Several: never a guess, only the one the user chose
// before, when it is there. None: the one on another computer chosen before.
std::string ChooseAmong(const std::vector<platform::UsbPrinterInterface>& printers) {
    std::vector<std::string> names;
    for (const platform::UsbPrinterInterface& p : platform::OnePerDevice(printers)) {
        names.push_back(p.portName());
    }
    if (names.size() == 1) {
        return names.front();
    }
    const std::string remembered = platform::RememberedUsbPort();
    // A machine on another computer, chosen before: while none is attached here.
    if (names.empty() && remembered.starts_with(platform::kSshPrefix)) {
        return remembered;
    }
    if (!remembered.empty() && std::find(names.begin(), names.end(), remembered) != names.end()) {
        return remembered;
    }
    return {};
}

// FAXRCP_USB_PORT when set, else the program's choice, else the one
// bidirectional printer-class interface on the bus or the remembered one of
// several; empty when there is none or no rule names one.
std::string SearchControlPort() {
    if (const char* over = std::getenv("FAXRCP_USB_PORT"); over && *over) {
        return over;
    }
    {
        std::lock_guard lock(foundMutex);
        if (!selectedPort.empty()) {
            foundPort = selectedPort;
            return selectedPort;
        }
    }
    std::string found;
    std::vector<platform::UsbPrinterInterface> printers;
    platform::UsbBackend* backend = platform::CurrentUsbBackend();
    if (!backend || backend->listPrinters(printers) != 0) {
        printers.clear(); // none here that we can see
    }
    found = ChooseAmong(printers);
    std::lock_guard lock(foundMutex);
    foundPort = found;
    return found;
}

// Copies text and its zero into buffer when both fit; false otherwise.
bool CopyWhole(const std::string& text, char* buffer, int size, int& used) {
    if (size - used <= int(text.size())) {
        return false;
    }
    std::memcpy(buffer + used, text.data(), text.size());
    used += int(text.size());
    buffer[used] = '\0';
    return true;
}

// The transfers go where the last search pointed, without walking the bus
// for every request; a name of vendor, product and serial survives a replug.
std::string TransferPort() {
    if (const char* over = std::getenv("FAXRCP_USB_PORT"); over && *over) {
        return over;
    }
    {
        std::lock_guard lock(foundMutex);
        if (!foundPort.empty()) {
            return foundPort;
        }
    }
    return SearchControlPort();
}

std::unique_ptr<platform::Device> Open(bool forReading) {
    const std::string name = TransferPort();
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
    t.writeTotalTimeoutConstant = TransferTimeoutMs();
    device.setCommTimeouts(t);
}

constexpr uint32_t kNoLimit = 0xFFFFFFFFu;

// withinMs 0: only what the machine holds now. Otherwise the answer may come
// in several transfers: wait up to the transfer time-out for the first bytes,
// then take what follows without a pause, and give up once withinMs have
// passed on the program's clock.
int ReadWithin(unsigned char* buffer, int count, uint32_t withinMs) {
    if (!buffer || count <= 0) {
        return 0;
    }
    const std::unique_ptr<platform::Device> device = Open(true);
    if (!device) {
        return 0;
    }
    if (withinMs == 0) {
        // Some devices keep their time-outs beyond this handle: put them back.
        platform::CommTimeouts saved;
        if (!device->getCommTimeouts(saved) ||
            !device->setCommTimeouts(platform::WithReadsAtOnce(saved))) {
            return 0;
        }
        const long r = device->read(buffer, size_t(count));
        device->setCommTimeouts(saved);
        return r > 0 ? int(std::min<long>(r, count)) : 0;
    }
    const uint32_t start = platform::GetTickCount();
    const auto left = [&]() -> uint32_t {
        const uint32_t elapsed = platform::GetTickCount() - start;
        return elapsed >= withinMs ? 0 : withinMs - elapsed;
    };
    const uint32_t timeout = TransferTimeoutMs();
    SetTimeouts(*device, std::min(timeout, withinMs));
    int got = 0;
    while (got < count) {
        const long r = device->read(buffer + got, size_t(count - got));
        if (r <= 0) {
            break;
        }
        got += int(std::min<long>(r, count - got));
        const uint32_t rest = left();
        if (got < count && rest == 0) {
            break;
        }
        if (got < count) {
            SetTimeouts(*device, std::min({kGapTimeoutMs, timeout, rest}));
        }
    }
    return got;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int GetControlPortName(char* buffer, int size) {
    if (!buffer || size <= 0) {
        return 0;
    }
    const std::string name = SearchControlPort();
    const size_t n = std::min(name.size(), size_t(size - 1));
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return int(n);
}

__attribute__((visibility("default"))) int ListControlPorts(char* buffer, int size) {
    const std::vector<platform::UsbCandidate> candidates = platform::ListUsbCandidates();
    int used = 0;
    if (buffer && size > 0) {
        buffer[0] = '\0';
        for (const platform::UsbCandidate& c : candidates) {
            const std::string line =
                c.name + "\t" + c.maker + "\t" + c.model + "\t" + c.serial + "\n";
            if (!CopyWhole(line, buffer, size, used)) {
                break; // whole lines only
            }
        }
    }
    return int(candidates.size());
}

__attribute__((visibility("default"))) int SelectControlPort(const char* name) {
    const std::string chosen = name ? std::string(name, strnlen(name, 256)) : std::string();
    std::lock_guard lock(foundMutex);
    selectedPort = chosen;
    foundPort = chosen;
    return 1;
}

__attribute__((visibility("default"))) int Win2kUsbWrite(const unsigned char* buffer, int count) {
    if (!buffer || count <= 0) {
        return 0;
    }
    const std::unique_ptr<platform::Device> device = Open(false);
    if (!device) {
        return 0;
    }
    SetTimeouts(*device, TransferTimeoutMs());
    const long r = device->write(buffer, size_t(count));
    return r > 0 ? int(std::min<long>(r, count)) : 0;
}

__attribute__((visibility("default"))) int Win2kUsbRead(unsigned char* buffer, int count) {
    return ReadWithin(buffer, count, kNoLimit);
}

__attribute__((visibility("default"))) int Win2kUsbReadWithin(unsigned char* buffer, int count,
                                                              int withinMs) {
    return ReadWithin(buffer, count, uint32_t(std::max(withinMs, 0)));
}

} // extern "C"
