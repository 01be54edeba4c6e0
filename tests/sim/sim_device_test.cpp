#include <gtest/gtest.h>

#include "platform/device.h"
#include "platform/virtual_clock.h"
#include "sim/simulated_machine.h"
#include "sim_test_util.h"
#include "support/platform/platform_fixture.h"

using namespace simtest;

namespace {

class SimDeviceTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        clock.setTick(1000);
        sim::RegisterSimDevice();
        machine().reset();
    }
    void TearDown() override {
        machine().reset();
        sim::UnregisterSimDevice();
        PlatformTest::TearDown();
    }
    static sim::SimulatedMachine& machine() { return sim::InProcessMachine(); }
    static std::unique_ptr<platform::Device> Open() {
        return platform::OpenDevice("sim:", platform::OpenMode{.read = true, .write = true});
    }
};

TEST_F(SimDeviceTest, EachOpenTalksToTheSameMachine) {
    {
        auto d = Open();
        ASSERT_TRUE(d);
        EXPECT_EQ(d->write(kInquiry.data(), kInquiry.size()), 8);
    }
    auto d = Open();
    ASSERT_TRUE(d);
    uint8_t b[4];
    EXPECT_EQ(d->read(b, 4), 4);
    d.reset();
    // The rest of the answer waits for the next open.
    d = Open();
    uint8_t rest[20];
    EXPECT_EQ(d->read(rest, sizeof rest), 6);
    EXPECT_EQ(rest[5], 2);
    EXPECT_EQ(machine().openCount(), 3);
}

TEST_F(SimDeviceTest, RefusesToOpenWhileTheFaultIsSetOrWhenUnregistered) {
    machine().setOpenRefused(true);
    EXPECT_FALSE(Open());
    machine().setOpenRefused(false);
    EXPECT_TRUE(Open());
    EXPECT_EQ(machine().openCount(), 1);
    sim::UnregisterSimDevice();
    EXPECT_FALSE(Open());
    sim::RegisterSimDevice();
}

TEST_F(SimDeviceTest, DeviceControlsAreLoggedAndAcceptedUnlessRefused) {
    auto d = Open();
    const uint8_t zero = 0;
    EXPECT_TRUE(d->deviceControl(0x182014, &zero, 1, nullptr, 0));
    machine().setDeviceControlRefused(true);
    const uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_FALSE(d->deviceControl(0x182008, one, 4, nullptr, 0));
    const auto log = machine().deviceControlLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].code, 0x182014u);
    EXPECT_EQ(log[1].input, Bytes({1, 0, 0, 0}));
}

TEST_F(SimDeviceTest, CommTimeoutsAreKeptAcrossOpens) {
    {
        auto d = Open();
        platform::CommTimeouts t;
        ASSERT_TRUE(d->getCommTimeouts(t));
        t.readIntervalTimeout = 200;
        t.readTotalTimeoutConstant = 3000;
        t.writeTotalTimeoutConstant = 5000;
        EXPECT_TRUE(d->setCommTimeouts(t));
    }
    auto d = Open();
    platform::CommTimeouts t;
    ASSERT_TRUE(d->getCommTimeouts(t));
    EXPECT_EQ(t.readIntervalTimeout, 200u);
    EXPECT_EQ(t.readTotalTimeoutConstant, 3000u);
    EXPECT_EQ(t.writeTotalTimeoutConstant, 5000u);
}

TEST_F(SimDeviceTest, ReadWaitsForALateAnswerOnlyWithinItsTimeout) {
    const struct {
        const char* what;
        uint32_t lateMs;   // 0: no request at all
        uint32_t passedMs; // between the request and the read
        uint32_t timeoutMs;
        long result;
        uint64_t slept;
    } cases[] = {
        {"answer within the time-out", 2000, 1500, 3000, 10, 500}, // just until it was there
        {"answer later than the time-out", 5000, 0, 3000, 0, 3000},
        {"no time-out, no wait", 5000, 0, 0, 0, 0},
        {"nothing queued", 0, 0, 3000, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        machine().reset();
        platform::VirtualClock local{1000};
        useClock(local);
        auto d = Open();
        if (c.lateMs != 0) {
            machine().setFault(sim::Command::Inquiry, sim::Fault{.lateMs = c.lateMs});
            d->write(kInquiry.data(), kInquiry.size());
        }
        local.advance(c.passedMs);
        platform::CommTimeouts t;
        t.readTotalTimeoutConstant = c.timeoutMs;
        d->setCommTimeouts(t);
        uint8_t b[10];
        EXPECT_EQ(d->read(b, 10), c.result);
        EXPECT_EQ(local.slept(), c.slept);
        useClock(clock);
    }
}

} // namespace
