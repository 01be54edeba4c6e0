#pragma once
#include "platform/clock.h"

namespace platform {

// Test double: time stands still until someone sleeps or advances it.
class VirtualClock : public Clock {
  public:
    explicit VirtualClock(uint32_t start = 1000) : now_(start) {}
    uint32_t tick() override { return now_; }
    void sleep(uint32_t ms) override;
    void setTick(uint32_t t) { now_ = t; }
    void advance(uint32_t ms) { now_ += ms; }
    // Total of all sleeps, to check that waits took their time.
    uint64_t slept() const { return slept_; }

  private:
    uint32_t now_;
    uint64_t slept_ = 0;
};

} // namespace platform
