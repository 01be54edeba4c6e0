#include "platform/real_device.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/clock.h"
#include "platform/device.h"
#include "support/platform/temp_dir.h"

namespace {

class ProbeClock : public platform::SteadyClock {
  public:
    using SteadyClock::FastWaits;
};

// Shortened waits are for the simulated machine only: once a real device has
// been open, every wait is kept whatever the environment says. The flag lasts
// for the process, so each case runs in a child of its own.
TEST(RealDeviceTest, FastWaitsEndForGoodWhenARealDeviceOpens) {
    EXPECT_EXIT(
        {
            setenv("FAXRCP_FAST_WAITS", "1", 1);
            ProbeClock clock;
            const uint32_t before = clock.tick();
            clock.sleep(60000);
            const bool skipped = clock.tick() - before >= 60000;
            const bool virtualDeviceKeepsThem =
                platform::OpenDevice("unix:/nonexistent/socket", {.read = true}) == nullptr &&
                ProbeClock::FastWaits();
            auto device = platform::OpenDevice("/dev/null", {.read = true, .write = true});
            const bool keptAfterwards =
                device != nullptr && platform::RealDeviceOpened() && !ProbeClock::FastWaits();
            device.reset();
            std::exit(skipped && virtualDeviceKeepsThem && keptAfterwards &&
                              !ProbeClock::FastWaits()
                          ? 0
                          : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(RealDeviceTest, AFailedOpenOfARealDeviceIsNoContact) {
    EXPECT_EXIT(
        {
            setenv("FAXRCP_FAST_WAITS", "1", 1);
            const bool opened = platform::OpenDevice("/nonexistent/lp0", {.read = true}) != nullptr;
            std::exit(!opened && !platform::RealDeviceOpened() && ProbeClock::FastWaits() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// Through the bridge, a machine on another computer is as real as the device
// the far side opened (the simulated one keeps the waits skipped: the
// end-to-end tests through the bridge would take minutes otherwise).
TEST(RealDeviceTest, AMachineOnAnotherComputerIsAsRealAsTheFarSide) {
    const TempDir locks;
    EXPECT_EXIT(
        {
            setenv("FAXRCP_FAST_WAITS", "1", 1);
            setenv("FAXRCP_SSH", FAXRCP_SOURCE_DIR "/tests/e2e/fake_ssh.sh", 1);
            setenv("FAKE_SSH_BIN", FAXRCP_BIN_DIR, 1);
            setenv("FAKE_SSH_LOCKS", locks.path().c_str(), 1);
            const bool before = ProbeClock::FastWaits();
            auto device = platform::OpenDevice("ssh:far.test//dev/null", {.read = true});
            std::exit(before && device && platform::RealDeviceOpened() && !ProbeClock::FastWaits()
                          ? 0
                          : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
