#include "platform/clock.h"
#include "platform/real_device.h"
#include "platform/virtual_clock.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace platform {

namespace {

SteadyClock& RealClock() {
    static SteadyClock clock;
    return clock;
}

// Process-wide by nature: the seam is installed once for the program and its
// stand-in libraries, which reach it from their own shared objects.
std::atomic<Clock*> installedClock{nullptr};
std::atomic<uint64_t> skippedMs{0};

} // namespace

uint32_t SteadyClock::tick() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    // The counter wraps like the host's: only the low 32 bits count.
    return static_cast<uint32_t>(static_cast<uint64_t>(ms) + skippedMs.load());
}

bool SteadyClock::FastWaits() {
    const char* asked = std::getenv("FAXRCP_FAST_WAITS");
    return asked != nullptr && std::string(asked) == "1" && !RealDeviceOpened();
}

void SteadyClock::SkipAhead(uint32_t ms) {
    skippedMs += ms;
}

uint32_t SteadyClock::SkipMostOf(uint32_t ms) {
    // A machine beyond a socket still sees the long waits as the longest gaps
    // (the firmware storing wait ends an image there).
    const uint32_t real = ms / 100;
    SkipAhead(ms - real);
    return real;
}

void SteadyClock::sleep(uint32_t ms) {
    if (FastWaits()) {
        const uint32_t real = SkipMostOf(ms);
        // Still give the processor away: polling loops must not spin.
        std::this_thread::sleep_for(real > 0 ? std::chrono::microseconds(real * 1000)
                                             : std::chrono::microseconds(ms == 0 ? 0 : 200));
        return;
    }
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void VirtualClock::sleep(uint32_t ms) {
    now_ += ms;
    slept_ += ms;
}

void InstallClock(Clock* clock) {
    installedClock.store(clock);
}

Clock& CurrentClock() {
    Clock* clock = installedClock.load();
    return clock ? *clock : RealClock();
}

uint32_t GetTickCount() {
    return CurrentClock().tick();
}

void Sleep(uint32_t ms) {
    CurrentClock().sleep(ms);
}

} // namespace platform
