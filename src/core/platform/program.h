#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Full path of the running program (/proc/self/exe), or the path set for tests.
std::string GetModuleFileName();
// The program's directory, with its trailing '/'.
std::string ProgramDirectory();
// Tests point the program at a folder of their own; empty restores the real one.
void SetModuleFileNameForTests(const std::string& path);

enum class PlatformId : uint32_t { Win32s = 0, Windows9x = 1, Nt = 2 };

struct VersionInfo {
    PlatformId platformId = PlatformId::Nt;
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
};

// Linux counts as the NT family, version 5 or later. nullopt when the query fails.
std::optional<VersionInfo> GetVersionEx();
// Tests choose the answer; reset with ResetVersionForTests().
void SetVersionForTests(std::optional<VersionInfo> version);
void ResetVersionForTests();

} // namespace platform
