#include "support/platform/bytes.h"

#include <cstdio>
#include <stdexcept>

#include "platform/ascii_text.h"

ByteVector Bytes(std::initializer_list<int> values) {
    ByteVector out;
    out.reserve(values.size());
    for (int v : values) {
        if (v < 0 || v > 0xFF) {
            throw std::invalid_argument("Bytes: value out of range");
        }
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

ByteVector HexBytes(std::string_view text) {
    ByteVector out;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == ',' || c == '\n' || c == '\t') {
            ++i;
            continue;
        }
        if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            i += 2;
            continue;
        }
        const int byte = platform::HexPairAt(text, i);
        if (byte < 0) {
            throw std::invalid_argument("HexBytes: not a hexadecimal pair: " + std::string(text));
        }
        out.push_back(static_cast<uint8_t>(byte));
        i += 2;
    }
    return out;
}

ByteVector ToBytes(std::string_view text) {
    return ByteVector(text.begin(), text.end());
}

std::string Hex(const ByteVector& bytes) {
    std::string out;
    char pair[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        if (i > 0) {
            out += ' ';
        }
        out += pair;
    }
    return out;
}
