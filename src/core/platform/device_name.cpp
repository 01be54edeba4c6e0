#include "platform/device_name.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace platform {

namespace {

constexpr size_t kMaxDeviceName = 4096;

bool Hex4(const std::string& s, size_t at) {
    if (s.size() < at + 4) {
        return false;
    }
    for (size_t i = at; i < at + 4; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(s[i]))) {
            return false;
        }
    }
    return true;
}

bool Word(const std::string& s, const char* extra) {
    if (s.empty() || s.front() == '-') {
        return false; // never an option to ssh
    }
    for (const char c : s) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr(extra, c)) {
            return false;
        }
    }
    return true;
}

std::optional<unsigned> PortNumber(const std::string& s) {
    if (s.empty() || s.size() > 5 || !Word(s, "")) {
        return std::nullopt;
    }
    for (const char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
    }
    const unsigned n = static_cast<unsigned>(std::stoul(s));
    return n >= 1 && n <= 65535 ? std::optional<unsigned>(n) : std::nullopt;
}

} // namespace

std::string SshDeviceName::destination() const {
    return user.empty() ? host : user + "@" + host;
}

std::optional<SshDeviceName> ParseSshDeviceName(const std::string& name) {
    if (!name.starts_with(kSshPrefix) || name.size() > kMaxDeviceName) {
        return std::nullopt;
    }
    std::string rest = name.substr(std::strlen(kSshPrefix));
    SshDeviceName out;
    if (const size_t slash = rest.find('/'); slash != std::string::npos) {
        out.device = rest.substr(slash + 1);
        rest.resize(slash);
        if (out.device.empty() || !Word(out.device, "._/:@%+=,-") ||
            out.device.starts_with(kSshPrefix) || DeviceNameProblem(out.device, true)) {
            return std::nullopt;
        }
    }
    if (const size_t at = rest.rfind('@'); at != std::string::npos) {
        out.user = rest.substr(0, at);
        rest.erase(0, at + 1);
        if (!Word(out.user, "._-")) {
            return std::nullopt;
        }
    }
    std::string port;
    if (rest.starts_with("[")) {
        const size_t close = rest.find(']');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        out.host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty() && (after.front() != ':' || after.size() < 2)) {
            return std::nullopt;
        }
        port = after.empty() ? "" : after.substr(1);
        if (!Word(out.host, ":.%")) {
            return std::nullopt;
        }
    } else {
        const size_t colon = rest.find(':');
        out.host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            port = rest.substr(colon + 1);
            if (port.empty()) {
                return std::nullopt;
            }
        }
        if (!Word(out.host, "._-")) {
            return std::nullopt;
        }
    }
    if (!port.empty()) {
        const std::optional<unsigned> n = PortNumber(port);
        if (!n) {
            return std::nullopt;
        }
        out.port = *n;
    }
    return out;
}

std::optional<SshDeviceName> ParseSshHost(const std::string& host) {
    std::optional<SshDeviceName> where = ParseSshDeviceName(kSshPrefix + host);
    return where && where->device.empty() && host.find('/') == std::string::npos ? where
                                                                                 : std::nullopt;
}

std::optional<std::string> DeviceNameProblem(const std::string& name, bool remote) {
    if (name.empty() || name.size() > kMaxDeviceName || name.find('\0') != std::string::npos) {
        return "not a device name";
    }
    if (name == "sim:") {
        return std::nullopt;
    }
    if (name.starts_with("usb:")) {
        // usb:VVVV:PPPP[:SERIAL]
        const bool ids = Hex4(name, 4) && name.size() >= 13 && name[8] == ':' && Hex4(name, 9);
        const bool tail = name.size() == 13 || (name.size() > 14 && name[13] == ':');
        if (ids && tail) {
            return std::nullopt;
        }
        return "expected usb:VVVV:PPPP[:SERIAL] with four hexadecimal digits for each id";
    }
    if (name.starts_with("unix:")) {
        if (name.size() > 5) {
            return std::nullopt;
        }
        return "expected unix:PATH";
    }
    if (name.starts_with(kSshPrefix)) {
        if (!remote && ParseSshDeviceName(name)) {
            return std::nullopt;
        }
        return "expected ssh:[USER@]HOST[:PORT][/DEVICE], the DEVICE a usb:, unix:, sim: or /dev "
               "name";
    }
    if (name.front() == '/') {
        if (remote) {
            return std::nullopt; // looked at on the far side
        }
        struct stat st {};
        if (::stat(name.c_str(), &st) != 0) {
            return std::string(std::strerror(errno));
        }
        if (!S_ISCHR(st.st_mode)) {
            return "not a character device";
        }
        return std::nullopt;
    }
    return "expected usb:VVVV:PPPP[:SERIAL], unix:PATH, sim:, ssh:[USER@]HOST[:PORT][/DEVICE] "
           "or the path of a character device";
}

} // namespace platform
