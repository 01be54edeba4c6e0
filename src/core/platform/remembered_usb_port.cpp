#include "platform/remembered_usb_port.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/device_name.h"
#include "platform/profile.h"
#include "platform/regular_file.h"
#include "platform/saved_file.h"

namespace platform {

namespace {

constexpr size_t kNameLimit = 140;

bool Rememberable(const std::string& name) {
    return IsUsbPortName(name) || (name.size() <= kNameLimit && ParseSshDeviceName(name));
}

std::string RemoteListPath() {
    return ProfileDirectory() + "/faxrcp/remote-machines";
}

} // namespace

bool IsUsbPortName(const std::string& name) {
    if (name.size() <= 4 || name.size() > kNameLimit || name.compare(0, 4, "usb:") != 0) {
        return false;
    }
    for (char c : name) {
        if (c <= 0x20 || c >= 0x7F) {
            return false;
        }
    }
    return true;
}

std::string RememberedUsbPortPath() {
    return ProfileDirectory() + "/faxrcp/usb-port";
}

std::string RememberedUsbPort() {
    FileDescriptor file = OpenRegularFile(RememberedUsbPortPath());
    if (!file) {
        return {};
    }
    std::string text(kNameLimit + 2, '\0');
    const long n = ReadFully(file.get(), text.data(), text.size());
    text.resize(n > 0 ? size_t(n) : 0);
    text = text.substr(0, text.find('\n'));
    return Rememberable(text) ? text : std::string();
}

bool RememberUsbPort(const std::string& name) {
    if (!Rememberable(name)) {
        return false;
    }
    return SaveSettingFile(RememberedUsbPortPath(), name + "\n");
}

} // namespace platform

namespace platform {

std::vector<std::string> RememberedRemoteMachines() {
    std::vector<std::string> names;
    FileDescriptor file = OpenRegularFile(RemoteListPath());
    if (!file) {
        return names;
    }
    std::string text((kNameLimit + 1) * kRememberedRemoteLimit, '\0');
    const long n = ReadFully(file.get(), text.data(), text.size());
    text.resize(n > 0 ? size_t(n) : 0);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line) && names.size() < kRememberedRemoteLimit;) {
        if (line.starts_with(kSshPrefix) && line.size() <= kNameLimit && ParseSshDeviceName(line) &&
            std::find(names.begin(), names.end(), line) == names.end()) {
            names.push_back(line);
        }
    }
    return names;
}

bool RememberRemoteMachine(const std::string& name) {
    if (name.size() > kNameLimit || !ParseSshDeviceName(name)) {
        return false;
    }
    std::vector<std::string> names = RememberedRemoteMachines();
    std::erase(names, name);
    names.insert(names.begin(), name);
    names.resize(std::min(names.size(), kRememberedRemoteLimit));
    std::string text;
    for (const std::string& n : names) {
        text += n + "\n";
    }
    return SaveSettingFile(RemoteListPath(), text);
}

} // namespace platform
