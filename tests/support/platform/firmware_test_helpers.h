#pragma once
// Shared by the engine, page and end-to-end tests of the firmware update.

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

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

} // namespace fwtest
