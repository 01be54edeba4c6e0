#pragma once
#include <algorithm>
#include <chrono>

namespace platform {

using SteadyTime = std::chrono::steady_clock::time_point;

// Milliseconds left until deadline, never negative, fit for poll().
inline int MsLeft(SteadyTime deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
        return 0;
    }
    return static_cast<int>(std::min<long long>(left, 0x7FFFFFFF));
}

} // namespace platform
