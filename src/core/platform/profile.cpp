#include "platform/profile.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <optional>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ascii_text.h"
#include "platform/regular_file.h"

namespace platform {

namespace {

// A profile is a small text file; anything larger is not one of ours.
constexpr size_t kMaxProfileBytes = 16 * 1024 * 1024;

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// The host's file names ignore case; look for the file's last component in its
// folder without regard to case when the exact name is not there.
std::optional<std::string> FindIgnoringCase(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    if (leaf.empty()) {
        return std::nullopt;
    }
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        return std::nullopt;
    }
    std::optional<std::string> found;
    while (const dirent* e = ::readdir(d)) {
        if (EqualsNoCase(e->d_name, leaf)) {
            std::string candidate = (slash == std::string::npos ? "" : dir) + e->d_name;
            if (Exists(candidate)) {
                found = candidate;
                break;
            }
        }
    }
    ::closedir(d);
    return found;
}

std::optional<std::string> ResolveProfilePath(const std::string& file) {
    if (file.empty() || file.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    std::string path = file;
    if (file.find('/') == std::string::npos && file.find('\\') == std::string::npos) {
        path = ProfileDirectory() + "/" + file;
    }
    if (Exists(path)) {
        return path;
    }
    // Names built the host's way may carry backslashes as folder separators.
    std::string slashed = path;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    if (slashed != path && Exists(slashed)) {
        return slashed;
    }
    return FindIgnoringCase(slashed);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const FileDescriptor file = OpenRegularFile(path);
    struct stat st {};
    if (!file || ::fstat(file.get(), &st) != 0 || st.st_size > off_t{kMaxProfileBytes}) {
        return std::nullopt;
    }
    // Read to the end rather than up to the size: the file may grow while it
    // is read.
    std::string content;
    char chunk[4096];
    for (;;) {
        const long n = ReadFully(file.get(), chunk, sizeof chunk);
        if (n < 0) {
            return std::nullopt;
        }
        if (content.size() + static_cast<size_t>(n) > kMaxProfileBytes) {
            return std::nullopt;
        }
        content.append(chunk, static_cast<size_t>(n));
        if (static_cast<size_t>(n) < sizeof chunk) {
            return content;
        }
    }
}

std::string_view StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v.remove_prefix(1);
        v.remove_suffix(1);
    }
    return v;
}

// The value of key in the first section named section, or nothing.
std::optional<std::string> FindValue(std::string_view content, std::string_view section,
                                     std::string_view key) {
    if (content.size() >= 3 && content.substr(0, 3) == "\xEF\xBB\xBF") {
        content.remove_prefix(3);
    }
    bool inSection = false;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t end = content.find('\n', pos);
        if (end == std::string_view::npos) {
            end = content.size();
        }
        std::string_view line = content.substr(pos, end - pos);
        pos = end + 1;
        // A stray NUL ends the line, as it would end the host's text.
        if (const size_t nul = line.find('\0'); nul != std::string_view::npos) {
            line = line.substr(0, nul);
        }
        line = TrimBlanks(line);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const size_t close = line.rfind(']');
            if (close == std::string_view::npos) {
                continue; // not a section head; belongs to nothing
            }
            if (inSection) {
                return std::nullopt; // the first matching section alone counts
            }
            inSection = EqualsNoCase(TrimBlanks(line.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection) {
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            continue;
        }
        if (EqualsNoCase(TrimBlanks(line.substr(0, eq)), key)) {
            return std::string(StripQuotes(TrimBlanks(line.substr(eq + 1))));
        }
    }
    return std::nullopt;
}

std::optional<std::string> LookUp(const std::string& section, const std::string& key,
                                  const std::string& file) {
    if (key.empty()) {
        return std::nullopt;
    }
    const auto path = ResolveProfilePath(file);
    if (!path) {
        return std::nullopt;
    }
    const auto content = ReadWholeFile(*path);
    if (!content) {
        return std::nullopt;
    }
    return FindValue(*content, section, key);
}

// Copies at most size - 1 bytes and a terminating zero, without splitting a
// UTF-8 character at the cut.
uint32_t CopyCut(std::string_view value, char* buffer, uint32_t size) {
    if (!buffer || size == 0) {
        return 0;
    }
    size_t n = std::min<size_t>(value.size(), size - 1);
    if (n < value.size()) {
        // value[n] is the first byte left out; a continuation byte there means
        // the character it belongs to started earlier: leave that one out too.
        size_t back = 0;
        while (n > 0 && back < 3 && (static_cast<unsigned char>(value[n]) & 0xC0) == 0x80) {
            --n;
            ++back;
        }
        if (back > 0 && (static_cast<unsigned char>(value[n]) & 0xC0) != 0xC0) {
            // Not a UTF-8 lead byte: the text is not UTF-8, cut it bytewise.
            n = std::min<size_t>(value.size(), size - 1);
        }
    }
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<uint32_t>(n);
}

uint32_t CopyDefault(const std::string& defaultValue, char* buffer, uint32_t size) {
    // The host drops trailing blanks of the default.
    std::string_view def = defaultValue;
    if (const size_t nul = def.find('\0'); nul != std::string_view::npos) {
        def = def.substr(0, nul);
    }
    while (!def.empty() && def.back() == ' ') {
        def.remove_suffix(1);
    }
    return CopyCut(def, buffer, size);
}

} // namespace

std::string ProfileDirectory() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        std::string dir = xdg;
        while (dir.size() > 1 && dir.back() == '/') {
            dir.pop_back();
        }
        return dir;
    }
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] != '\0') {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    while (home.size() > 1 && home.back() == '/') {
        home.pop_back();
    }
    if (home.empty() || home == "/") {
        return "/.config";
    }
    return home + "/.config";
}

uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue, char* buffer, uint32_t size,
                                 const std::string& file) {
    if (const auto value = LookUp(section, key, file)) {
        return CopyCut(*value, buffer, size);
    }
    return CopyDefault(defaultValue, buffer, size);
}

uint32_t GetProfileStringFromText(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, char* buffer, uint32_t size,
                                  std::string_view content) {
    if (const auto value = key.empty() ? std::nullopt : FindValue(content, section, key)) {
        return CopyCut(*value, buffer, size);
    }
    return CopyDefault(defaultValue, buffer, size);
}

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& file) {
    const auto value = LookUp(section, key, file);
    if (!value || value->empty()) {
        return defaultValue;
    }
    std::string_view v = *value;
    bool negative = false;
    if (!v.empty() && (v.front() == '+' || v.front() == '-')) {
        negative = v.front() == '-';
        v.remove_prefix(1);
    }
    long long n = 0;
    for (char c : v) {
        if (c < '0' || c > '9') {
            break;
        }
        n = n * 10 + (c - '0');
        if (n > static_cast<long long>(INT_MAX) + 1) {
            n = static_cast<long long>(INT_MAX) + 1; // saturate, keep reading digits
        }
    }
    if (negative) {
        n = -n;
    }
    return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

} // namespace platform
