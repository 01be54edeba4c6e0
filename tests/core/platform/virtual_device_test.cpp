// The unix: virtual device against a small device served by a test thread.
#include "platform/device.h"
#include "platform/virtual_device.h"
#include "support/platform/bytes.h"
#include "support/platform/platform_fixture.h"
#include "support/platform/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// A virtual device as the protocol describes it: one connection at a time,
// answer bytes kept across connections. Waits are real but tiny.
class TestVirtualDevice {
  public:
    enum class Fault { None, HangUpOnRequest, OversizedRead, WrongReplyByte, AcceptTooMuch };

    explicit TestVirtualDevice(std::string path) : path_(std::move(path)) {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path_.c_str(), sizeof addr.sun_path - 1);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(listener_, 4) != 0) {
            ADD_FAILURE() << "cannot serve " << path_;
        }
        thread_ = std::thread([this] { serve(); });
    }

    ~TestVirtualDevice() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
            ready_.notify_all();
        }
        thread_.join();
        ::close(listener_);
        ::unlink(path_.c_str());
    }

    void queueAnswer(const ByteVector& bytes) {
        std::lock_guard<std::mutex> lock(mutex_);
        answer_.insert(answer_.end(), bytes.begin(), bytes.end());
        ready_.notify_all();
    }
    void setAcceptLimit(uint32_t limit) {
        std::lock_guard<std::mutex> lock(mutex_);
        acceptLimit_ = limit;
    }
    void setFault(Fault fault) {
        std::lock_guard<std::mutex> lock(mutex_);
        fault_ = fault;
    }
    ByteVector received() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    std::vector<std::pair<uint32_t, uint32_t>> reads() const { // (most, wait)
        std::lock_guard<std::mutex> lock(mutex_);
        return reads_;
    }
    std::vector<std::pair<uint32_t, ByteVector>> controls() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return controls_;
    }
    int connections() const { return connections_; }
    int finishedConnections() const { return finished_; }
    size_t queued() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return answer_.size();
    }

  private:
    void serve() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0) {
                continue;
            }
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            ++connections_;
            converse(fd);
            ::close(fd);
            ++finished_;
        }
    }

    // Reads exactly n bytes, giving up when the test is over or the peer left.
    bool take(int fd, uint8_t* p, size_t n) {
        while (n > 0) {
            if (stop_) {
                return false;
            }
            pollfd pf{fd, POLLIN, 0};
            if (::poll(&pf, 1, 10) <= 0) {
                continue;
            }
            const ssize_t r = ::recv(fd, p, n, 0);
            if (r <= 0) {
                return false;
            }
            p += r;
            n -= static_cast<size_t>(r);
        }
        return true;
    }

    // A reply: its kind byte, a count, then any data.
    void give(int fd, char kind, uint32_t count, const ByteVector& data = {}) {
        ByteVector reply(5 + data.size());
        reply[0] = static_cast<uint8_t>(kind);
        platform::vdev::PutU32(reply.data() + 1, count);
        std::copy(data.begin(), data.end(), reply.begin() + 5);
        ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
    }

    void converse(int fd) {
        for (;;) {
            uint8_t kind;
            if (!take(fd, &kind, 1)) {
                return;
            }
            Fault fault;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                fault = fault_;
            }
            if (fault == Fault::HangUpOnRequest) {
                return;
            }
            uint8_t head[8];
            if (kind == 'W') {
                if (!take(fd, head, 4)) {
                    return;
                }
                const uint32_t n = platform::vdev::GetU32(head);
                ByteVector data(n);
                if (!take(fd, data.data(), n)) {
                    return;
                }
                uint32_t accepted;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    accepted = std::min(n, acceptLimit_);
                    received_.insert(received_.end(), data.begin(), data.begin() + accepted);
                }
                if (fault == Fault::AcceptTooMuch) {
                    accepted = n + 1;
                }
                give(fd, 'w', accepted);
            } else if (kind == 'R') {
                if (!take(fd, head, 8)) {
                    return;
                }
                const uint32_t most = platform::vdev::GetU32(head);
                const uint32_t wait = platform::vdev::GetU32(head + 4);
                ByteVector out;
                {
                    std::unique_lock<std::mutex> lock(mutex_);
                    reads_.emplace_back(most, wait);
                    ready_.wait_for(lock, std::chrono::milliseconds(wait),
                                    [this] { return !answer_.empty() || stop_; });
                    const size_t k = std::min<size_t>(most, answer_.size());
                    out.assign(answer_.begin(), answer_.begin() + static_cast<long>(k));
                    answer_.erase(answer_.begin(), answer_.begin() + static_cast<long>(k));
                }
                uint32_t k = static_cast<uint32_t>(out.size());
                if (fault == Fault::OversizedRead) {
                    k = most + 1;
                    out.resize(k, 0xEE);
                }
                give(fd, fault == Fault::WrongReplyByte ? 'x' : 'r', k, out);
            } else if (kind == 'C') {
                if (!take(fd, head, 8)) {
                    return;
                }
                const uint32_t code = platform::vdev::GetU32(head);
                const uint32_t n = platform::vdev::GetU32(head + 4);
                ByteVector data(n);
                if (!take(fd, data.data(), n)) {
                    return;
                }
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    controls_.emplace_back(code, data);
                }
                const uint8_t reply[2] = {'c', code == 0x182014 ? uint8_t(1) : uint8_t(0)};
                ::send(fd, reply, 2, MSG_NOSIGNAL);
            } else {
                return; // any other request ends the connection
            }
        }
    }

    std::string path_;
    int listener_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> finished_{0};
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<uint8_t> answer_;
    uint32_t acceptLimit_ = 0xFFFFFFFFu;
    Fault fault_ = Fault::None;
    ByteVector received_;
    std::vector<std::pair<uint32_t, uint32_t>> reads_;
    std::vector<std::pair<uint32_t, ByteVector>> controls_;
};

class VirtualDeviceTest : public PlatformTest {
  protected:
    std::unique_ptr<platform::Device> Open() {
        return platform::OpenDevice("unix:" + socketPath, {true, true, false});
    }

    // Waits (really, briefly) until the device has seen n connections end.
    void WaitForHangUps(int n) {
        for (int i = 0; i < 200 && device.finishedConnections() < n; ++i) {
            std::this_thread::sleep_for(5ms);
        }
        ASSERT_EQ(device.finishedConnections(), n);
    }

    TempDir dir;
    std::string socketPath = dir.file("machine.sock");
    TestVirtualDevice device{socketPath};
};

static platform::CommTimeouts ReadWait(uint32_t ms) {
    platform::CommTimeouts t;
    t.readTotalTimeoutConstant = ms;
    return t;
}

TEST_F(VirtualDeviceTest, WriteSendsTheBytesAndReturnsTheAcceptedCount) {
    auto d = Open();
    ASSERT_NE(d, nullptr);
    const auto request = HexBytes("1B A4 00 05 50 E0 82 C1 41");
    EXPECT_EQ(d->write(request.data(), request.size()), 9);
    device.setAcceptLimit(4);
    const auto second = ToBytes("ABCDEFGH");
    EXPECT_EQ(d->write(second.data(), second.size()), 4);
    ByteVector expected = request;
    expected.insert(expected.end(), second.begin(), second.begin() + 4);
    EXPECT_EQ(device.received(), expected);
}

TEST_F(VirtualDeviceTest, AnswerReadInTwoPartsAcrossTwoOpens) {
    device.queueAnswer(HexBytes("1B A4 00 06 41 42 00 00 00 02"));
    {
        auto first = Open();
        ASSERT_NE(first, nullptr);
        first->setCommTimeouts(ReadWait(40));
        uint8_t buffer[6] = {};
        ASSERT_EQ(first->read(buffer, 6), 6);
        EXPECT_EQ(ByteVector(buffer, buffer + 6), HexBytes("1B A4 00 06 41 42"));
    }
    {
        auto second = Open();
        ASSERT_NE(second, nullptr);
        second->setCommTimeouts(ReadWait(40));
        uint8_t buffer[32] = {};
        ASSERT_EQ(second->read(buffer, sizeof buffer), 4);
        EXPECT_EQ(ByteVector(buffer, buffer + 4), HexBytes("00 00 00 02"));
    }
    EXPECT_EQ(device.connections(), 2);
    WaitForHangUps(2); // each close ended its connection
}

TEST_F(VirtualDeviceTest, ReadAsksForTheCountWithTheReadTotalConstantAsWait) {
    auto d = Open();
    ASSERT_NE(d, nullptr);
    uint8_t buffer[32];
    d->setCommTimeouts(ReadWait(25));
    EXPECT_EQ(d->read(buffer, 32), 0); // nothing queued: 0 bytes after the wait
    platform::CommTimeouts none;
    d->setCommTimeouts(none);
    device.queueAnswer(ToBytes("x"));
    EXPECT_EQ(d->read(buffer, 7), 1);
    const auto reads = device.reads();
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0], std::make_pair(32u, 25u));
    EXPECT_EQ(reads[1], std::make_pair(7u, platform::vdev::kDefaultReadWaitMs));
    EXPECT_EQ(d->read(buffer, 0), 0); // nothing to ask for
    EXPECT_EQ(device.reads().size(), 2u);

    // Reads that return at once ask for no wait at all.
    d->setCommTimeouts(platform::WithReadsAtOnce(ReadWait(25)));
    device.queueAnswer(ToBytes("yz"));
    EXPECT_EQ(d->read(buffer, 32), 2);
    ASSERT_EQ(device.reads().size(), 3u);
    EXPECT_EQ(device.reads()[2], std::make_pair(32u, 0u));
}

TEST_F(VirtualDeviceTest, DeviceControlsCarryCodeAndInput) {
    auto d = Open();
    ASSERT_NE(d, nullptr);
    const uint8_t zero = 0;
    const uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_TRUE(d->deviceControl(0x182014, &zero, 1, nullptr, 0));
    EXPECT_FALSE(d->deviceControl(0x182008, one, 4, nullptr, 0));
    const auto controls = device.controls();
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(controls[0].first, 0x182014u);
    EXPECT_EQ(controls[0].second, ByteVector{0});
    EXPECT_EQ(controls[1].first, 0x182008u);
    EXPECT_EQ(controls[1].second, Bytes({1, 0, 0, 0}));
    // The connection is still in step after a refusal.
    device.queueAnswer(ToBytes("ok"));
    uint8_t buffer[2];
    d->setCommTimeouts(ReadWait(40));
    EXPECT_EQ(d->read(buffer, 2), 2);
}

TEST_F(VirtualDeviceTest, LargeTransfersGoThroughWhole) {
    auto d = Open();
    ASSERT_NE(d, nullptr);
    ByteVector image(1 << 20);
    for (size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<uint8_t>(i * 7);
    }
    ASSERT_EQ(d->write(image.data(), image.size()), static_cast<long>(image.size()));
    EXPECT_EQ(device.received(), image);
    device.queueAnswer(image);
    ByteVector back(image.size() + 10);
    d->setCommTimeouts(ReadWait(40));
    ASSERT_EQ(d->read(back.data(), back.size()), static_cast<long>(image.size()));
    back.resize(image.size());
    EXPECT_EQ(back, image);
}

TEST_F(VirtualDeviceTest, CommTimeoutsAreKeptPerOpen) {
    auto d = Open();
    ASSERT_NE(d, nullptr);
    platform::CommTimeouts t{200, 0, 3000, 0, 5000};
    EXPECT_TRUE(d->setCommTimeouts(t));
    platform::CommTimeouts back;
    EXPECT_TRUE(d->getCommTimeouts(back));
    EXPECT_EQ(back, t);
    auto other = Open();
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(other->getCommTimeouts(back));
    EXPECT_EQ(back, platform::CommTimeouts{});
}

TEST_F(VirtualDeviceTest, HungUpDeviceGivesMinusOneFromThenOn) {
    auto d = Open();
    ASSERT_NE(d, nullptr);
    device.setFault(TestVirtualDevice::Fault::HangUpOnRequest);
    const auto bytes = ToBytes("abc");
    EXPECT_EQ(d->write(bytes.data(), bytes.size()), -1);
    device.setFault(TestVirtualDevice::Fault::None);
    uint8_t buffer[4];
    EXPECT_EQ(d->read(buffer, 4), -1);
    EXPECT_EQ(d->write(bytes.data(), bytes.size()), -1);
    EXPECT_FALSE(d->deviceControl(0x182014, bytes.data(), 1, nullptr, 0));
    // A new open is a new connection and works again.
    auto again = Open();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->write(bytes.data(), bytes.size()), 3);
}

TEST_F(VirtualDeviceTest, GarbledRepliesFailWithoutOverrunningTheBuffer) {
    using Fault = TestVirtualDevice::Fault;
    for (Fault fault : {Fault::OversizedRead, Fault::WrongReplyByte, Fault::AcceptTooMuch}) {
        SCOPED_TRACE(static_cast<int>(fault));
        auto d = Open();
        ASSERT_NE(d, nullptr);
        device.setFault(fault);
        d->setCommTimeouts(ReadWait(10));
        uint8_t buffer[8] = {'a', 'b', 'c'};
        EXPECT_EQ(fault == Fault::AcceptTooMuch ? d->write(buffer, 3) : d->read(buffer, 4), -1);
        EXPECT_EQ(ByteVector(buffer + 4, buffer + 8), ByteVector(4, 0));
    }
}

TEST(VirtualDeviceOpen, NobodyServingOrBadPathsGiveNull) {
    TempDir dir;
    EXPECT_EQ(platform::OpenDevice("unix:" + dir.file("nobody.sock"), {true, true, false}),
              nullptr);
    EXPECT_EQ(platform::OpenDevice("unix:", {true, true, false}), nullptr);
    EXPECT_EQ(platform::OpenDevice("unix:/" + std::string(200, 'p'), {true, true, false}), nullptr);
    // A plain file is no socket.
    const auto file = dir.write("plain", "x");
    EXPECT_EQ(platform::OpenDevice("unix:" + file, {true, true, false}), nullptr);
}

} // namespace
