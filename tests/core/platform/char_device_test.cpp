// Character devices opened by path: poll-based comm time-outs on a pseudo
// terminal and on FIFOs. Real waits, kept to a few tens of milliseconds.
#include "platform/char_device.h"
#include "platform/device.h"
#include "support/platform/bytes.h"
#include "support/platform/open_modes.h"
#include "support/platform/platform_fixture.h"
#include "support/platform/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

platform::CommTimeouts Timeouts(uint32_t interval, uint32_t multiplier, uint32_t constant) {
    platform::CommTimeouts t;
    t.readIntervalTimeout = interval;
    t.readTotalTimeoutMultiplier = multiplier;
    t.readTotalTimeoutConstant = constant;
    return t;
}

// A pseudo terminal in raw mode: the test holds the master side, the device
// under test opens the slave by its path.
class PtyTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(::grantpt(master_), 0);
        ASSERT_EQ(::unlockpt(master_), 0);
        slavePath_ = ::ptsname(master_);
        keeper_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(keeper_, 0);
        termios raw{};
        ASSERT_EQ(::tcgetattr(keeper_, &raw), 0);
        ::cfmakeraw(&raw);
        ASSERT_EQ(::tcsetattr(keeper_, TCSANOW, &raw), 0);
    }
    void TearDown() override {
        ::close(keeper_);
        ::close(master_);
        PlatformTest::TearDown();
    }

    void FromMachine(const std::string& bytes) {
        if (!bytes.empty()) {
            ASSERT_EQ(::write(master_, bytes.data(), bytes.size()),
                      static_cast<ssize_t>(bytes.size()));
            ::usleep(5000); // let the bytes cross the terminal
        }
    }

    std::string ToMachine(size_t most) {
        std::string out(most, '\0');
        ssize_t n = 0;
        for (int i = 0; i < 100 && n <= 0; ++i) {
            n = ::read(master_, out.data(), most);
            if (n <= 0) {
                ::usleep(2000);
            }
        }
        out.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return out;
    }

    int master_ = -1;
    int keeper_ = -1;
    std::string slavePath_;
};

TEST_F(PtyTest, ReadsEndAtTheFullCountTheIntervalOrTheTotal) {
    const struct {
        const char* why;
        platform::CommTimeouts timeouts;
        std::string fromMachine;
        size_t count;
        std::string expected;
        long long atLeastMs, belowMs;
    } cases[] = {
        {"the interval after the last byte", Timeouts(20, 0, 3000), "abc", 16, "abc", 18, 1000},
        // The interval waits only after a first byte.
        {"nothing: the total constant", Timeouts(5, 0, 30), "", 16, "", 28, 1000},
        {"the multiplier times the count", Timeouts(0, 10, 5), "", 4, "", 43, 1000},
        {"the full count at once", Timeouts(200, 0, 3000), "0123456789", 4, "0123", 0, 150},
        {"the rest stays in the device", Timeouts(200, 0, 3000), "", 4, "4567", 0, 150},
        {"no totals: what is there", Timeouts(0xFFFFFFFFu, 0, 0), "", 8, "89", 0, 150},
        {"no totals: nothing", Timeouts(0xFFFFFFFFu, 0, 0), "", 8, "", 0, 150},
    };
    auto d = platform::OpenDevice(slavePath_, kReadWrite);
    ASSERT_NE(d, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_TRUE(d->setCommTimeouts(c.timeouts));
        FromMachine(c.fromMachine);
        uint8_t buffer[16] = {};
        const auto start = Clock::now();
        const long n = d->read(buffer, c.count);
        ASSERT_EQ(n, static_cast<long>(c.expected.size()));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), c.expected.size()), c.expected);
        EXPECT_GE(MsSince(start), c.atLeastMs);
        EXPECT_LT(MsSince(start), c.belowMs);
    }
}

TEST_F(PtyTest, WriteReachesTheOtherSide) {
    auto d = platform::OpenDevice(slavePath_, {false, true, false});
    ASSERT_NE(d, nullptr);
    const auto request = HexBytes("1B A4 00 05 50 E0 82 C0 40");
    EXPECT_EQ(d->write(request.data(), request.size()), 9);
    EXPECT_EQ(ToMachine(64), std::string(request.begin(), request.end()));
}

TEST_F(PtyTest, CommTimeoutsAreStoredAndDeviceControlsRefused) {
    auto d = platform::OpenDevice(slavePath_, kReadWrite);
    ASSERT_NE(d, nullptr);
    platform::CommTimeouts t;
    ASSERT_TRUE(d->getCommTimeouts(t));
    EXPECT_EQ(t, platform::CommTimeouts{});
    const platform::CommTimeouts wanted{200, 1, 3000, 2, 5000};
    ASSERT_TRUE(d->setCommTimeouts(wanted));
    ASSERT_TRUE(d->getCommTimeouts(t));
    EXPECT_EQ(t, wanted);
    const uint8_t zero = 0;
    EXPECT_FALSE(d->deviceControl(0x182014, &zero, 1, nullptr, 0));
}

TEST_F(PtyTest, ExclusiveOpenKeepsOthersOutUntilClosed) {
    auto first = platform::OpenDevice(slavePath_, kReadWrite);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(platform::OpenDevice(slavePath_, kReadWrite), nullptr);
    EXPECT_EQ(platform::OpenDevice(slavePath_, {true, true, true}), nullptr);
    first.reset();
    auto shared1 = platform::OpenDevice(slavePath_, {true, true, true});
    auto shared2 = platform::OpenDevice(slavePath_, {true, true, true});
    EXPECT_NE(shared1, nullptr);
    EXPECT_NE(shared2, nullptr);
}

class FifoTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        path_ = dir_.file("port");
        ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
    }
    TempDir dir_;
    std::string path_;
};

TEST_F(FifoTest, WriteStopsAtTheWriteTotalAndFailsQuietlyOnceTheReaderLeft) {
    const int reader = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    auto d = platform::OpenDevice(path_, {false, true, false});
    ASSERT_NE(d, nullptr);
    platform::CommTimeouts t;
    t.writeTotalTimeoutConstant = 20;
    ASSERT_TRUE(d->setCommTimeouts(t));
    const std::vector<uint8_t> big(4 << 20, 0x5A);
    const auto start = Clock::now();
    const long n = d->write(big.data(), big.size());
    EXPECT_GT(n, 0);
    EXPECT_LT(n, static_cast<long>(big.size())); // nobody drains the pipe
    EXPECT_GE(MsSince(start), 18);
    EXPECT_LT(MsSince(start), 1000);
    ::close(reader);
    // No SIGPIPE kills the program.
    EXPECT_EQ(d->write(big.data(), 4), -1);
}

TEST_F(FifoTest, ReadAtEndOfFileReturnsWhatCameWithoutWaiting) {
    auto d = platform::OpenDevice(path_, {true, false, false});
    ASSERT_NE(d, nullptr);
    const int writer = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "end", 3), 3);
    ::close(writer);
    d->setCommTimeouts(Timeouts(0, 0, 3000));
    uint8_t buffer[16];
    const auto start = Clock::now();
    EXPECT_EQ(d->read(buffer, sizeof buffer), 3);
    EXPECT_LT(MsSince(start), 1000);
}

TEST(CharDeviceOpen, PathsThatAreNoDevicesAreRefused) {
    TempDir dir;
    const platform::OpenMode mode{true, true, false};
    EXPECT_EQ(platform::OpenDevice(dir.file("missing"), mode), nullptr);
    EXPECT_EQ(platform::OpenDevice(dir.path(), mode), nullptr); // a folder
    // A FIFO without a reader: the host would say the device is not there.
    ASSERT_EQ(::mkfifo(dir.file("port").c_str(), 0600), 0);
    EXPECT_EQ(platform::OpenDevice(dir.file("port"), {false, true, false}), nullptr);
    EXPECT_EQ(platform::CharDevice::Open("relative/path", mode), nullptr);
    EXPECT_EQ(platform::CharDevice::Open("", mode), nullptr);
}

TEST(CharDeviceOpen, NullBuffersAndZeroCountsAreHarmless) {
    auto d = platform::OpenDevice("/dev/null", {true, true, true});
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->write(nullptr, 0), 0);
    EXPECT_EQ(d->write(nullptr, 5), -1);
    EXPECT_EQ(d->read(nullptr, 0), 0);
    EXPECT_EQ(d->read(nullptr, 5), -1);
    const auto bytes = ToBytes("into the void");
    EXPECT_EQ(d->write(bytes.data(), bytes.size()), static_cast<long>(bytes.size()));
    uint8_t buffer[4];
    EXPECT_EQ(d->read(buffer, 4), 0); // end of file at once
}

} // namespace
