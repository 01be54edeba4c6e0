#pragma once
#include <cstdint>

namespace platform {

// The millisecond tick counter and the thread's sleep. Everything that waits
// goes through here, so tests run every protocol wait on a virtual clock and
// the windowed program can keep painting while it waits.
class Clock {
  public:
    virtual ~Clock() = default;
    // Unsigned 32-bit milliseconds, monotonic, wraps after about 49.7 days.
    virtual uint32_t tick() = 0;
    virtual void sleep(uint32_t ms) = 0;
};

// The real clock: a steady clock and the thread's sleep.
//
// With FAXRCP_FAST_WAITS=1 in the environment, a hundredth of each sleep
// passes and the tick jumps over the rest, while device time-outs stay real:
// end-to-end tests run the real programs against the simulated machine
// without the protocol's fixed waits, and the longest waits stay the longest
// gaps the machine sees. Never once a real device has been opened
// (RealDeviceOpened).
class SteadyClock : public Clock {
  public:
    uint32_t tick() override;
    void sleep(uint32_t ms) override;

  protected:
    // True when waits are shortened.
    static bool FastWaits();
    static void SkipAhead(uint32_t ms);
    // With fast waits: skips all of ms but a hundredth, which it returns.
    static uint32_t SkipMostOf(uint32_t ms);
};

// Installs a clock process-wide; nullptr puts the real clock back.
void InstallClock(Clock* clock);
Clock& CurrentClock();

uint32_t GetTickCount();
void Sleep(uint32_t ms);

} // namespace platform
