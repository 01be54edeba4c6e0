#pragma once
#include <cstdint>
#include <cstdio>

#include "platform/debug_output.h"

// One trace line with one number, e.g. "WriteData = %d \n".
inline void TraceNumber(const char* format, int32_t value) {
    char line[96];
    std::snprintf(line, sizeof line, format, static_cast<int>(value));
    platform::OutputDebugString(line);
}

// Big-endian helpers for the wire blocks.
inline uint16_t ReadBe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
inline void WriteBe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline uint32_t ReadBe32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
inline void WriteBe32(uint8_t* p, uint32_t v) {
    WriteBe16(p, static_cast<uint16_t>(v >> 16));
    WriteBe16(p + 2, static_cast<uint16_t>(v));
}
