#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Reads of INI files with the host profile semantics: section and key names
// compare case-insensitively, the first match wins, blanks around the value
// and one pair of enclosing quotes are removed, the result is cut to size - 1
// bytes (never inside a UTF-8 character) and a missing file, section or key
// gives the default. A file named without a folder lives in the profile
// directory ($XDG_CONFIG_HOME, default ~/.config).
// Returns the number of bytes copied, not counting the terminating zero.
uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue, char* buffer, uint32_t size,
                                 const std::string& file);

// The same read from an INI text held in memory.
uint32_t GetProfileStringFromText(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, char* buffer, uint32_t size,
                                  std::string_view content);

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& file);

std::string ProfileDirectory();

} // namespace platform
