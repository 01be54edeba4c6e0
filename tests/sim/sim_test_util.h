#pragma once
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace simtest {

using Bytes = std::vector<uint8_t>;

// "1B A4 00 04" -> bytes
inline Bytes H(const std::string& hex) {
    Bytes out;
    std::istringstream in(hex);
    std::string b;
    while (in >> b) {
        out.push_back(uint8_t(std::stoul(b, nullptr, 16)));
    }
    return out;
}

inline Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline const Bytes kInquiry = H("1B A4 00 04 50 E0 82 C0");
inline const Bytes kGetSetup = H("1B A4 00 05 50 E0 82 C1 41");
inline const Bytes kGetStatus = H("1B A4 00 05 50 E0 82 C1 40");
inline const Bytes kGetInfo = H("1B A4 00 05 50 E0 82 C1 43");
inline const Bytes kGetPhonebook = H("1B A4 00 06 50 E0 82 C1 42 FF");
inline const Bytes kFirmwareGeneric = H("1B A5 00 04 50 E0 82 05");
inline const Bytes kFirmwareParallel = H("1B A5 00 04 40 E0 82 05");

// A phonebook record as the program sends it: name padded with 0x00,
// a number padded with 0xFF.
inline Bytes NumberRecord(uint8_t slot, const std::string& name, const std::string& number) {
    Bytes r(69, 0xFF);
    r[0] = slot;
    r[1] = r[2] = 0;
    for (size_t i = 0; i < 20; ++i) {
        r[3 + i] = i < name.size() ? uint8_t(name[i]) : 0;
    }
    for (size_t i = 0; i < number.size() && i < 46; ++i) {
        r[23 + i] = uint8_t(number[i]);
    }
    return r;
}

inline Bytes SetPhonebookRequest(uint8_t n, const std::vector<Bytes>& records) {
    const size_t length = 6 + 69 * records.size();
    Bytes req = {0x1B, 0xA4, uint8_t(length >> 8), uint8_t(length), 0x50, 0xE0, 0x82, 0xC2,
                 0x42, n};
    for (const Bytes& r : records) {
        req.insert(req.end(), r.begin(), r.end());
    }
    return req;
}

} // namespace simtest
