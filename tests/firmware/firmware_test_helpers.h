#pragma once
// Shared by the engine, page and end-to-end tests of the firmware update.

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "model/lang_text.h"
#include "support/temp_dir.h"

namespace fwtest {

// Reproducible image bytes, different for every size and seed.
inline std::string ImageBytes(size_t size, uint32_t seed = 1) {
    std::mt19937 random(seed * 7919u + static_cast<uint32_t>(size));
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// A language file made of the program's own fragments for the sections the
// firmware update uses; points languageFilePath at it. Returns its path.
inline std::string InstallLanguage(const TempDir& dir, const std::string& language = "en") {
    const std::string root = std::string(FAXRCP_SOURCE_DIR) + "/src/resources/lang/" + language;
    std::string text = "[COMMON]\n" + ReadFile(root + "/COMMON.firmware.ini") + "\n[FWUP]\n" +
                       ReadFile(root + "/FWUP.ini") + "\n";
    const std::string path = dir.write("lang-" + language + ".ini", text);
    languageFilePath = path;
    return path;
}

} // namespace fwtest
