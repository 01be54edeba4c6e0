#include "platform/program.h"

#include <mutex>
#include <unistd.h>

namespace platform {

namespace {

std::mutex programMutex;
std::string moduleFileNameForTests;
bool versionOverridden = false;
std::optional<VersionInfo> versionForTests;

std::string ReadSelfExe() {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<size_t>(n) >= path.size()) {
        return {};
    }
    path.resize(static_cast<size_t>(n));
    return path;
}

} // namespace

std::string GetModuleFileName() {
    {
        std::lock_guard<std::mutex> lock(programMutex);
        if (!moduleFileNameForTests.empty()) {
            return moduleFileNameForTests;
        }
    }
    static const std::string self = ReadSelfExe();
    return self;
}

std::string ProgramDirectory() {
    const std::string path = GetModuleFileName();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return "./";
    }
    return path.substr(0, slash + 1);
}

void SetModuleFileNameForTests(const std::string& path) {
    std::lock_guard<std::mutex> lock(programMutex);
    moduleFileNameForTests = path;
}

std::optional<VersionInfo> GetVersionEx() {
    {
        std::lock_guard<std::mutex> lock(programMutex);
        if (versionOverridden) {
            return versionForTests;
        }
    }
    // Linux offers everything the NT family of version 5 and later offers the
    // program (the USB library's own transfers among it), so it reports a
    // current NT version rather than the kernel's numbers.
    VersionInfo info;
    info.platformId = PlatformId::Nt;
    info.majorVersion = 10;
    info.minorVersion = 0;
    return info;
}

void SetVersionForTests(std::optional<VersionInfo> version) {
    std::lock_guard<std::mutex> lock(programMutex);
    versionOverridden = true;
    versionForTests = version;
}

void ResetVersionForTests() {
    std::lock_guard<std::mutex> lock(programMutex);
    versionOverridden = false;
    versionForTests.reset();
}

} // namespace platform
