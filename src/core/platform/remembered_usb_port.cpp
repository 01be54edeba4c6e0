#include "platform/remembered_usb_port.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/profile.h"
#include "platform/regular_file.h"

namespace platform {

namespace {

constexpr size_t kNameLimit = 140;

// Makes each missing folder of path, private to the user as the XDG folders are.
bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += size_t(n);
    }
    return true;
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
    return IsUsbPortName(text) ? text : std::string();
}

bool RememberUsbPort(const std::string& name) {
    if (!IsUsbPortName(name)) {
        return false;
    }
    const std::string path = RememberedUsbPortPath();
    if (!MakeFolders(path.substr(0, path.rfind('/')))) {
        return false;
    }
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, name + "\n") && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::rename(temp.c_str(), path.c_str()) == 0) {
        return true;
    }
    ::unlink(temp.c_str());
    return false;
}

} // namespace platform
