// DelayMs and PauseMs: their arithmetic on the tick counter, and that they
// sleep instead of spinning.
#include <vector>

#include "platform/clock.h"
#include "protocol/exchange.h"
#include "support/platform_fixture.h"

namespace {

class WaitTest : public PlatformTest {};

TEST_F(WaitTest, DelayMsWaitsItsTimeAsleep) {
    EXPECT_EQ(DelayMs(1500), 1500u);
    EXPECT_EQ(clock.tick(), 2500u);
    EXPECT_EQ(clock.slept(), 1500u);
}

TEST_F(WaitTest, DelayMsOfZeroReturnsAtOnce) {
    EXPECT_EQ(DelayMs(0), 0u);
    EXPECT_EQ(clock.slept(), 0u);
}

TEST_F(WaitTest, DelayMsCountsAcrossTheWrap) {
    clock.setTick(0xFFFFFF00u);
    EXPECT_EQ(DelayMs(1000), 1000u);
    EXPECT_EQ(clock.tick(), 1000u - 0x100u);
}

TEST_F(WaitTest, PauseMsWaitsUntilEntryPlusN) {
    PauseMs(500);
    EXPECT_EQ(clock.tick(), 1500u);
    EXPECT_EQ(clock.slept(), 500u);
}

TEST_F(WaitTest, PauseMsReturnsAtOnceWhenTheTargetWraps) {
    clock.setTick(0xFFFFFFFFu - 100u);
    PauseMs(500);
    EXPECT_EQ(clock.tick(), 0xFFFFFFFFu - 100u);
    EXPECT_EQ(clock.slept(), 0u);
}

TEST_F(WaitTest, PauseMsEndingExactlyOnTheLastTickStillWaits) {
    clock.setTick(0xFFFFFFFFu - 100u);
    PauseMs(100);
    EXPECT_EQ(clock.tick(), 0xFFFFFFFFu);
    EXPECT_EQ(clock.slept(), 100u);
}

// A clock whose sleeps take longer than asked, as a busy desktop's do; it
// records what it was asked for.
class LateClock : public platform::Clock {
public:
    uint32_t now = 0;
    uint32_t lateBy = 0;
    std::vector<uint32_t> asked;
    uint32_t tick() override { return now; }
    void sleep(uint32_t ms) override {
        asked.push_back(ms);
        now += ms + lateBy;
    }
};

// A clock whose sleeps end early (a desktop event woke it): the wait polls
// again and asks only for what remains.
class EarlyClock : public LateClock {
public:
    void sleep(uint32_t ms) override {
        asked.push_back(ms);
        now += ms > 300 ? 300 : ms;
    }
};

TEST_F(WaitTest, WaitsNeverAskToSleepLongerThanWhatRemains) {
    EarlyClock early;
    platform::InstallClock(&early);
    EXPECT_EQ(DelayMs(1000), 1000u);
    EXPECT_EQ(early.asked, (std::vector<uint32_t>{1000, 700, 400, 100}));
    early.asked.clear();
    PauseMs(500);
    EXPECT_EQ(early.asked, (std::vector<uint32_t>{500, 200}));
    platform::InstallClock(&clock);
}

TEST_F(WaitTest, LateSleepReportsTheTimeThatReallyPassed) {
    LateClock late;
    late.lateBy = 40;
    platform::InstallClock(&late);
    EXPECT_EQ(DelayMs(1000), 1040u);
    platform::InstallClock(&clock);
}

TEST_F(WaitTest, PauseMsWhoseLateSleepCrossesTheWrapDoesNotWaitAgain) {
    LateClock late;
    late.now = 0xFFFFFFFFu - 600u;
    late.lateBy = 200; // wakes up past the wrap, below the target
    platform::InstallClock(&late);
    PauseMs(500);
    EXPECT_EQ(late.asked.size(), 1u);
    platform::InstallClock(&clock);
}

} // namespace
