#include "protocol/exchange.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/debug_output.h"

void HexDump(const uint8_t* bytes, int32_t count) {
    if (bytes == nullptr) {
        return;
    }
    for (int32_t i = 0; i < count; i += 8) {
        char line[100] = {};
        int used = std::snprintf(line, sizeof line, "%#04x: ", static_cast<unsigned>(i));
        for (int32_t j = i; j < i + 8; ++j) {
            unsigned value = j < count ? bytes[j] : 0;
            used += std::snprintf(line + used, sizeof line - used, "%02X ", value);
        }
        for (int32_t j = i; j < i + 8 && j < count; ++j) {
            uint8_t c = bytes[j];
            bool printable = c >= 0x20 && c < 0x7F;
            used += std::snprintf(line + used, sizeof line - used, "%c", printable ? c : '.');
        }
        std::snprintf(line + used, sizeof line - used, "\r\n");
        platform::OutputDebugString(line);
        if (i > INT32_MAX - 8) {
            break;
        }
    }
}

uint32_t DelayMs(uint32_t n) {
    const uint32_t start = platform::GetTickCount();
    for (;;) {
        uint32_t elapsed = platform::GetTickCount() - start;
        if (elapsed >= n) {
            return elapsed;
        }
        platform::Sleep(n - elapsed);
    }
}

void PauseMs(uint32_t n) {
    const uint32_t start = platform::GetTickCount();
    const uint32_t until = start + n;
    if (until < start) {
        return; // the sum wrapped
    }
    // The elapsed check keeps a sleep that overshoots the wrap from waiting
    // another 49 days.
    for (;;) {
        uint32_t now = platform::GetTickCount();
        if (now >= until || now - start >= n) {
            return;
        }
        platform::Sleep(until - now);
    }
}
