#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ppdev_backend.h"
#include "platform/ppdev_device.h"
#include "support/platform/platform_fixture.h"

using namespace platform;

namespace {

class FakePpdev : public PpdevBackend {
  public:
    std::vector<std::string> calls;
    bool openFails = false;
    bool claimFails = false;
    int failingCall = -1; // index into calls that should fail
    std::vector<uint8_t> toRead;
    std::vector<uint8_t> written;

    int result() { return int(calls.size()) - 1 == failingCall ? -5 : 0; }
    int open(const std::string& path) override {
        calls.push_back("open " + path);
        return openFails ? -2 : 3;
    }
    void close(int) override { calls.push_back("close"); }
    int claim(int) override {
        calls.push_back("claim");
        return claimFails ? -16 : 0;
    }
    int release(int) override {
        calls.push_back("release");
        return 0;
    }
    int setMode(int, int mode) override {
        calls.push_back("mode " + std::to_string(mode));
        return result();
    }
    int negotiate(int, int mode) override {
        calls.push_back("negotiate " + std::to_string(mode));
        return result();
    }
    int setDataDirection(int, bool reverse) override {
        calls.push_back(reverse ? "reverse" : "forward");
        return result();
    }
    int setTimeout(int, uint32_t ms) override {
        calls.push_back("timeout " + std::to_string(ms));
        return 0;
    }
    long read(int, uint8_t* data, size_t count) override {
        size_t n = std::min(count, toRead.size());
        std::memcpy(data, toRead.data(), n);
        toRead.erase(toRead.begin(), toRead.begin() + long(n));
        return long(n);
    }
    long write(int, const uint8_t* data, size_t count) override {
        written.insert(written.end(), data, data + count);
        return long(count);
    }
};

class PpdevDeviceTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        InstallPpdevBackend(&fake);
    }
    void TearDown() override {
        InstallPpdevBackend(nullptr);
        PlatformTest::TearDown();
    }
    FakePpdev fake;
    OpenMode rw{true, true, false};
};

TEST_F(PpdevDeviceTest, ClaimsAtOpenAndReleasesAtClose) {
    {
        auto dev = OpenPpdevDevice("/dev/parport0", rw);
        ASSERT_NE(dev, nullptr);
        EXPECT_EQ(fake.calls, (std::vector<std::string>{"open /dev/parport0", "claim"}));
    }
    EXPECT_EQ(fake.calls.back(), "close");
    EXPECT_EQ(fake.calls[fake.calls.size() - 2], "release");

    fake.calls.clear();
    fake.claimFails = true; // another program holds the port
    EXPECT_EQ(OpenPpdevDevice("/dev/parport0", rw), nullptr);
    EXPECT_EQ(fake.calls.back(), "close");
    fake.openFails = true;
    EXPECT_EQ(OpenPpdevDevice("/dev/parport0", rw), nullptr);
}

TEST_F(PpdevDeviceTest, DeviceControlsBecomeModeNegotiationAndDirection) {
    auto dev = OpenPpdevDevice("/dev/parport1", rw);
    ASSERT_NE(dev, nullptr);
    fake.calls.clear();
    const uint8_t zero = 0x00, ecp = 0x10;
    const uint32_t one = 1, none = 0;
    EXPECT_TRUE(dev->deviceControl(kEcpSetHardwareMode, &zero, 1, nullptr, 0));
    EXPECT_TRUE(dev->deviceControl(kEcpNegotiate, &zero, 1, nullptr, 0));
    EXPECT_TRUE(dev->deviceControl(kEcpNegotiate, &ecp, 1, nullptr, 0));
    EXPECT_TRUE(dev->deviceControl(kEcpSetDirection, reinterpret_cast<const uint8_t*>(&one), 4,
                                   nullptr, 0));
    EXPECT_TRUE(dev->deviceControl(kEcpSetDirection, reinterpret_cast<const uint8_t*>(&none), 4,
                                   nullptr, 0));
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"mode 16", "negotiate 0", "negotiate 16",
                                                    "forward", "reverse"}));

    // Unknown codes, wrong sizes and modes the port cannot take are refused.
    const uint8_t odd = 0x42;
    EXPECT_FALSE(dev->deviceControl(0x182000, &zero, 1, nullptr, 0));
    EXPECT_FALSE(dev->deviceControl(kEcpNegotiate, &odd, 1, nullptr, 0));
    EXPECT_FALSE(dev->deviceControl(kEcpNegotiate, nullptr, 0, nullptr, 0));
    EXPECT_FALSE(dev->deviceControl(kEcpSetDirection, &zero, 1, nullptr, 0));
    EXPECT_FALSE(dev->deviceControl(kEcpSetHardwareMode, &ecp, 1, nullptr, 0));

    fake.failingCall = int(fake.calls.size()); // the driver refuses the next one
    EXPECT_FALSE(dev->deviceControl(kEcpNegotiate, &ecp, 1, nullptr, 0));
}

TEST_F(PpdevDeviceTest, TransfersUseTheTimeOuts) {
    auto dev = OpenPpdevDevice("/dev/parport0", rw);
    ASSERT_NE(dev, nullptr);
    CommTimeouts t;
    ASSERT_TRUE(dev->getCommTimeouts(t));
    t.readTotalTimeoutConstant = 3000;
    t.writeTotalTimeoutConstant = 1200;
    ASSERT_TRUE(dev->setCommTimeouts(t));
    fake.calls.clear();
    const uint8_t request[4] = {0x1B, 0xA4, 0, 4};
    EXPECT_EQ(dev->write(request, 4), 4);
    fake.toRead = {1, 2, 3};
    uint8_t buf[10];
    EXPECT_EQ(dev->read(buf, 10), 3);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"timeout 1200", "timeout 3000"}));
    EXPECT_EQ(fake.written, std::vector<uint8_t>(request, request + 4));

    // A read that returns at once gets the driver's shortest time-out, not its default.
    ASSERT_TRUE(dev->setCommTimeouts(WithReadsAtOnce(t)));
    fake.calls.clear();
    fake.toRead = {4};
    EXPECT_EQ(dev->read(buf, 10), 1);
    EXPECT_EQ(fake.calls, std::vector<std::string>{"timeout 1"});
}

} // namespace
