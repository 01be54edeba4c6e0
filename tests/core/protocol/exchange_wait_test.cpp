// DelayMs and PauseMs: their arithmetic on the tick counter, and that they
// sleep instead of spinning.
#include <algorithm>
#include <vector>

#include "platform/clock.h"
#include "protocol/exchange.h"
#include "support/core/context_fixture.h"

namespace {

class WaitTest : public ContextTest {};

TEST_F(WaitTest, WaitsSleepTheirTimeAndPauseMsGivesUpWhenTheTargetWraps) {
    const uint32_t kLast = 0xFFFFFFFFu;
    const struct {
        const char* what;
        bool pause;
        uint32_t start, ms, endTick, slept;
    } cases[] = {
        {"delay", false, 1000, 1500, 2500, 1500},
        {"delay of zero", false, 1000, 0, 1000, 0},
        {"delay across the wrap", false, 0xFFFFFF00u, 1000, 1000 - 0x100, 1000},
        {"pause", true, 1000, 500, 1500, 500},
        {"pause past the wrap", true, kLast - 100, 500, kLast - 100, 0},
        {"pause to the last tick", true, kLast - 100, 100, kLast, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::VirtualClock local;
        local.setTick(c.start);
        useClock(local);
        if (c.pause) {
            PauseMs(c.ms);
        } else {
            EXPECT_EQ(DelayMs(c.ms), c.ms);
        }
        EXPECT_EQ(local.tick(), c.endTick);
        EXPECT_EQ(local.slept(), c.slept);
        useClock(clock);
    }
}

// A clock whose sleeps take longer than asked, as a busy desktop's do, or end
// early (a desktop event woke it); it records what it was asked for.
class OddClock : public platform::Clock {
  public:
    uint32_t now = 0;
    uint32_t lateBy = 0;
    uint32_t mostPerSleep = 0xFFFFFFFFu;
    std::vector<uint32_t> asked;
    uint32_t tick() override { return now; }
    void sleep(uint32_t ms) override {
        asked.push_back(ms);
        now += std::min(ms, mostPerSleep) + lateBy;
    }
};

TEST_F(WaitTest, EarlyWakingWaitsAskOnlyForWhatRemains) {
    OddClock early;
    early.mostPerSleep = 300;
    useClock(early);
    EXPECT_EQ(DelayMs(1000), 1000u);
    EXPECT_EQ(early.asked, (std::vector<uint32_t>{1000, 700, 400, 100}));
    early.asked.clear();
    PauseMs(500);
    EXPECT_EQ(early.asked, (std::vector<uint32_t>{500, 200}));
    useClock(clock);
}

TEST_F(WaitTest, LateSleepsReportTheRealTimeAndDoNotWaitAgainPastTheWrap) {
    OddClock late;
    late.lateBy = 40;
    useClock(late);
    EXPECT_EQ(DelayMs(1000), 1040u);

    late.now = 0xFFFFFFFFu - 600u;
    late.lateBy = 200; // wakes up past the wrap, below the target
    late.asked.clear();
    PauseMs(500);
    EXPECT_EQ(late.asked.size(), 1u);
    useClock(clock);
}

} // namespace
