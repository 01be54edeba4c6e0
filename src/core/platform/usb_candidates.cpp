#include "platform/usb_candidates.h"

#include <algorithm>
#include <charconv>
#include <dirent.h>
#include <mutex>

#include "platform/regular_file.h"

namespace platform {

namespace {

constexpr const char* kDefaultSysfsRoot = "/sys";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

// Text from a device may hold anything; a list line must not break on it.
std::string Printable(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 4 * kFieldLimit)) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            out += ' ';
        } else {
            out += u < 0x80 ? c : '?';
        }
    }
    std::string trimmed(Trim(out));
    if (trimmed.size() > kFieldLimit) {
        trimmed.resize(kFieldLimit);
        trimmed = std::string(Trim(trimmed));
    }
    return trimmed;
}

void Fill(std::string& field, std::string_view value) {
    if (field.empty()) {
        field = Printable(value);
    }
}

// Small sysfs attributes; anything that is not a regular file reads as empty.
std::string ReadAttribute(const std::string& path, size_t limit) {
    FileDescriptor file = OpenRegularFile(path);
    if (!file) {
        return {};
    }
    std::string text(limit, '\0');
    const long n = ReadFully(file.get(), text.data(), limit);
    text.resize(n > 0 ? size_t(n) : 0);
    return text;
}

bool ParseNumber(std::string_view text, int& value) {
    text = Trim(text);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    return names;
}

// The kernel's view of the USB devices: a folder per device ("1-1.2", with
// busnum, devnum and its string descriptors) and per interface ("1-1.2:1.0",
// with ieee1284_id while the printer driver holds it).
class SysfsUsb {
  public:
    explicit SysfsUsb(const std::string& root)
        : folder_(root + "/bus/usb/devices"), entries_(FolderEntries(folder_)) {}

    // Fills from the device ID first, then from the kernel's copy of the
    // string descriptors; leaves out alone when sysfs does not know the device.
    void describe(const UsbPrinterInterface& iface, DeviceIdFields& out) const {
        const std::string device = deviceFolder(iface);
        if (device.empty()) {
            return;
        }
        const std::string itf = interfaceFolder(device, iface);
        if (!itf.empty()) {
            const DeviceIdFields id =
                ParseDeviceId(ReadAttribute(itf + "/ieee1284_id", kDeviceIdLimit));
            Fill(out.maker, id.maker);
            Fill(out.model, id.model);
            Fill(out.serial, id.serial);
        }
        const std::string base = folder_ + "/" + device;
        Fill(out.maker, ReadAttribute(base + "/manufacturer", 4 * kFieldLimit));
        Fill(out.model, ReadAttribute(base + "/product", 4 * kFieldLimit));
        Fill(out.serial, ReadAttribute(base + "/serial", 4 * kFieldLimit));
    }

  private:
    std::string deviceFolder(const UsbPrinterInterface& iface) const {
        for (const std::string& name : entries_) {
            if (name.find(':') != std::string::npos) {
                continue;
            }
            int bus = -1;
            int address = -1;
            const std::string base = folder_ + "/" + name;
            if (ParseNumber(ReadAttribute(base + "/busnum", 16), bus) &&
                ParseNumber(ReadAttribute(base + "/devnum", 16), address) &&
                bus == iface.busNumber && address == iface.deviceAddress) {
                return name;
            }
        }
        return {};
    }

    // "<device>:<configuration>.<interface>"; empty when none matches.
    std::string interfaceFolder(const std::string& device, const UsbPrinterInterface& iface) const {
        const std::string prefix = device + ":";
        for (const std::string& name : entries_) {
            const size_t dot = name.rfind('.');
            int number = -1;
            if (name.rfind(prefix, 0) == 0 && dot != std::string::npos && dot > prefix.size() &&
                ParseNumber(std::string_view(name).substr(dot + 1), number) &&
                number == iface.interfaceNumber) {
                return folder_ + "/" + name;
            }
        }
        return {};
    }

    std::string folder_;
    std::vector<std::string> entries_;
};

std::mutex rootMutex;
std::string sysfsRoot; // empty: the real one

} // namespace

DeviceIdFields ParseDeviceId(std::string_view id) {
    id = id.substr(0, std::min(id.size(), kDeviceIdLimit));
    id = id.substr(0, id.find('\0'));
    DeviceIdFields out;
    while (!id.empty()) {
        const size_t end = std::min(id.find(';'), id.size());
        const std::string_view pair = id.substr(0, end);
        id.remove_prefix(std::min(end + 1, id.size()));
        const size_t colon = pair.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view key = Trim(pair.substr(0, colon));
        const std::string_view value = pair.substr(colon + 1);
        if (SameIgnoringCase(key, "MFG") || SameIgnoringCase(key, "MANUFACTURER")) {
            Fill(out.maker, value);
        } else if (SameIgnoringCase(key, "MDL") || SameIgnoringCase(key, "MODEL")) {
            Fill(out.model, value);
        } else if (SameIgnoringCase(key, "SN") || SameIgnoringCase(key, "SERIALNUMBER")) {
            Fill(out.serial, value);
        }
    }
    return out;
}

std::vector<UsbPrinterInterface> OnePerDevice(const std::vector<UsbPrinterInterface>& printers) {
    std::vector<UsbPrinterInterface> out;
    for (const UsbPrinterInterface& p : printers) {
        if (std::none_of(out.begin(), out.end(), [&p](const UsbPrinterInterface& q) {
                return q.busNumber == p.busNumber && q.deviceAddress == p.deviceAddress;
            })) {
            out.push_back(p);
        }
    }
    return out;
}

std::vector<UsbCandidate> ListUsbCandidates(UsbBackend& backend, const std::string& sysfsRoot) {
    std::vector<UsbCandidate> candidates;
    std::vector<UsbPrinterInterface> printers;
    if (backend.listPrinters(printers) != 0) {
        return candidates;
    }
    const SysfsUsb sysfs(sysfsRoot);
    for (const UsbPrinterInterface& iface : OnePerDevice(printers)) {
        DeviceIdFields fields;
        sysfs.describe(iface, fields);
        if (fields.maker.empty() || fields.model.empty() || fields.serial.empty()) {
            UsbDeviceStrings strings;
            if (backend.readStrings(iface, strings) == 0) {
                Fill(fields.maker, strings.manufacturer);
                Fill(fields.model, strings.product);
                Fill(fields.serial, strings.serial);
            }
        }
        candidates.push_back({iface.portName(), std::move(fields.maker), std::move(fields.model),
                              std::move(fields.serial)});
    }
    return candidates;
}

std::vector<UsbCandidate> ListUsbCandidates() {
    UsbBackend* backend = CurrentUsbBackend();
    return backend ? ListUsbCandidates(*backend, SysfsRoot()) : std::vector<UsbCandidate>{};
}

std::string SysfsRoot() {
    std::lock_guard lock(rootMutex);
    return sysfsRoot.empty() ? kDefaultSysfsRoot : sysfsRoot;
}

void SetSysfsRootForTests(const std::string& root) {
    std::lock_guard lock(rootMutex);
    sysfsRoot = root;
}

} // namespace platform
