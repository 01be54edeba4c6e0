#pragma once
// Small helpers the simulated machine's source files share.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "sim/simulated_machine.h"

namespace sim::detail {

constexpr size_t kControlLogLimit = 1000;

inline size_t Index(Command c) {
    return static_cast<size_t>(c);
}

// Text into a fixed field, cut to its size, the rest filled with pad.
inline void PutText(uint8_t* dst, size_t size, std::string_view text, uint8_t pad) {
    std::memset(dst, pad, size);
    std::memcpy(dst, text.data(), std::min(size, text.size()));
}

} // namespace sim::detail
