#include "platform/remembered_usb_port.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/profile.h"
#include "platform/regular_file.h"
#include "platform/saved_file.h"

namespace platform {

namespace {

constexpr size_t kNameLimit = 140;

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
    return IsUsbPortName(text) ? text : std::string();
}

bool RememberUsbPort(const std::string& name) {
    if (!IsUsbPortName(name)) {
        return false;
    }
    return SaveSettingFile(RememberedUsbPortPath(), name + "\n");
}

} // namespace platform
