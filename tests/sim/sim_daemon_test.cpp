// faxrcp-sim over a real socket: the built program, started in a temporary
// folder and spoken to with the virtual device protocol.

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/device.h"
#include "sim_test_util.h"

extern char** environ;

using namespace simtest;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void PutU32(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) {
        b.push_back(uint8_t(v >> s));
    }
}

long ElapsedMs(Clock::time_point since) {
    return long(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// One connection to the daemon through the program's own unix: device.
class Client {
  public:
    explicit Client(const std::string& path)
        : device_(platform::OpenDevice("unix:" + path, {true, true, false})) {}
    bool ok() const { return device_ != nullptr; }
    long Write(const Bytes& data) { return device_->write(data.data(), data.size()); }
    std::optional<Bytes> Read(uint32_t most, uint32_t waitMs) {
        platform::CommTimeouts t;
        t.readTotalTimeoutConstant = waitMs;
        device_->setCommTimeouts(t);
        Bytes data(most);
        const long n = device_->read(data.data(), most);
        if (n < 0) {
            return std::nullopt;
        }
        data.resize(size_t(n));
        return data;
    }
    bool Control(uint32_t code, const Bytes& in) {
        return device_->deviceControl(code, in.data(), in.size(), nullptr, 0);
    }

  private:
    std::unique_ptr<platform::Device> device_;
};

// A bare connection for requests the device would never send.
class RawClient {
  public:
    explicit RawClient(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~RawClient() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool ok() const { return fd_ >= 0; }
    bool Send(const Bytes& b) {
        return ::send(fd_, b.data(), b.size(), MSG_NOSIGNAL) == ssize_t(b.size());
    }
    // The first reply byte, or -1 when the daemon hangs up or is silent 3 s.
    int ReplyByte() {
        pollfd p{fd_, POLLIN, 0};
        uint8_t b;
        return ::poll(&p, 1, 3000) > 0 && ::recv(fd_, &b, 1, 0) == 1 ? b : -1;
    }

  private:
    int fd_ = -1;
};

class DaemonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("faxrcp-simd-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        socket = (dir / "sock").string();
        state = (dir / "state.ini").string();
    }
    void TearDown() override {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        fs::remove_all(dir);
    }

    // Starts faxrcp-sim and waits until it takes connections.
    bool Start(std::vector<std::string> args) {
        const std::string program = std::string(FAXRCP_BIN_DIR) + "/faxrcp-sim";
        args.insert(args.begin(), {program, "--socket", socket});
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            pid = -1;
            return false;
        }
        const auto start = Clock::now();
        while (ElapsedMs(start) < 5000) {
            if (RawClient(socket).ok()) {
                return true;
            }
            int status;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Sends the signal and returns the exit status (-1: killed or hung).
    int Stop(int sig = SIGTERM) {
        ::kill(pid, sig);
        const auto start = Clock::now();
        int status = 0;
        while (ElapsedMs(start) < 5000) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

    fs::path dir;
    std::string socket;
    std::string state;
    pid_t pid = -1;
    int exitStatus = -1;
};

TEST_F(DaemonTest, ServesTheProtocolKeepsUnreadBytesAndStopsCleanly) {
    ASSERT_TRUE(Start({}));
    {
        Client c(socket);
        ASSERT_TRUE(c.ok());
        EXPECT_TRUE(c.Control(0x182014, {0}));
        EXPECT_EQ(c.Write(kGetSetup), 9);
        EXPECT_EQ(c.Read(1000, 1000)->size(), 32u);
        EXPECT_EQ(c.Write(kInquiry), 8);
        EXPECT_EQ(c.Read(4, 1000), H("1B A4 00 06"));
    }
    {
        Client c(socket); // unread answer bytes wait for the next connection
        EXPECT_EQ(c.Read(100, 1000), H("50 E0 00 64 01 02"));
    }
    {
        RawClient c(socket); // any other request byte ends the connection
        ASSERT_TRUE(c.Send({'X'}));
        EXPECT_EQ(c.ReplyByte(), -1);
    }
    RawClient idle(socket); // a connection that never says anything
    ASSERT_TRUE(idle.ok());
    EXPECT_EQ(Stop(SIGINT), 0);
    EXPECT_FALSE(fs::exists(socket));
}

TEST_F(DaemonTest, ReadWaitsAsLongAsAskedAndNoLonger) {
    ASSERT_TRUE(Start({"--late", "inquiry=300"}));
    Client c(socket);
    auto t = Clock::now();
    EXPECT_EQ(c.Read(10, 150), Bytes{});
    EXPECT_GE(ElapsedMs(t), 140);
    EXPECT_LT(ElapsedMs(t), 1000);

    EXPECT_EQ(c.Write(kInquiry), 8);
    t = Clock::now();
    const auto late = c.Read(10, 3000);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->size(), 10u);
    EXPECT_GE(ElapsedMs(t), 250);
    EXPECT_LT(ElapsedMs(t), 2000);
}

TEST_F(DaemonTest, NoClientHoldsTheServerPastItsTimeOuts) {
    ASSERT_TRUE(Start({"--read-wait-cap", "200", "--request-timeout", "300"}));
    {
        // A read that asks to wait for ever is answered once the cap is up.
        RawClient endless(socket);
        Bytes read = {'R'};
        PutU32(read, 10);
        PutU32(read, 0xFFFFFFFFu);
        const auto t = Clock::now();
        ASSERT_TRUE(endless.Send(read));
        EXPECT_EQ(endless.ReplyByte(), 'r');
        EXPECT_GE(ElapsedMs(t), 150);
        EXPECT_LT(ElapsedMs(t), 2000);
    }

    // One client stops in the middle of a request, another trickles its
    // request a byte every 100 ms: each loses its turn, and a client
    // waiting behind them is served.
    Bytes half = {'W'};
    PutU32(half, 100);
    half.insert(half.end(), 10, 0x55);
    RawClient stalled(socket);
    ASSERT_TRUE(stalled.Send(half));
    RawClient trickling(socket);
    std::thread trickle([&] {
        for (uint8_t b : half) {
            if (!trickling.Send({b})) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        for (int i = 0; i < 30 && trickling.Send({0x55}); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto t = Clock::now();
    Client waiting(socket);
    ASSERT_TRUE(waiting.ok());
    EXPECT_EQ(waiting.Write(kInquiry), 8);
    EXPECT_LT(ElapsedMs(t), 2000);
    EXPECT_EQ(waiting.Read(10, 1000)->size(), 10u);
    EXPECT_EQ(stalled.ReplyByte(), -1);
    EXPECT_EQ(trickling.ReplyByte(), -1);
    trickle.join();
}

TEST_F(DaemonTest, HugeLengthsNeitherCrashNorHoldMemory) {
    ASSERT_TRUE(Start({}));
    Bytes write = {'W'}, control = {'C'}, read = {'R'};
    PutU32(write, 0xFFFFFFFFu);
    write.insert(write.end(), 3000, 0x55);
    PutU32(control, 1);
    PutU32(control, 0xFFFFFFFFu);
    PutU32(read, 0xFFFFFFFFu);
    PutU32(read, 0);
    for (const Bytes& request : {write, control}) {
        RawClient c(socket);
        ASSERT_TRUE(c.Send(request));
    }
    {
        RawClient c(socket);
        ASSERT_TRUE(c.Send(read));
        EXPECT_EQ(c.ReplyByte(), 'r');
    }
    {
        Client c(socket);
        EXPECT_EQ(c.Write(kInquiry), 8);
        EXPECT_EQ(c.Read(1000, 1000)->size(), 10u);
    }
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    long rssKb = -1;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            rssKb = std::stol(line.substr(6));
        }
    }
    EXPECT_GT(rssKb, 0);
    EXPECT_LT(rssKb, 64 * 1024);
}

TEST_F(DaemonTest, StatePersistsAcrossRuns) {
    ASSERT_TRUE(Start({"--state", state}));
    Bytes block(22, 0x07);
    {
        Client c(socket);
        EXPECT_EQ(c.Write(Cat(H("1B A4 00 1B 50 E0 82 C2 41"), block)), 31);
        EXPECT_EQ(c.Read(10, 1000), H("1B A4 00 06 50 E0 82 C2 41 00"));
        const Bytes pb = SetPhonebookRequest(1, {NumberRecord(9, "Kept", "4711")});
        EXPECT_EQ(c.Write(pb), long(pb.size()));
        EXPECT_EQ(c.Read(10, 1000)->size(), 10u);
    }
    EXPECT_EQ(Stop(), 0);
    std::ifstream in(state);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("07 07 07 07"), std::string::npos);
    EXPECT_NE(text.find("# 9: Kept | 4711"), std::string::npos);

    ASSERT_TRUE(Start({"--state", state}));
    Client c(socket);
    EXPECT_EQ(c.Write(kGetSetup), 9);
    const auto answer = c.Read(32, 1000);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->size(), 32u);
    EXPECT_EQ(Bytes(answer->begin() + 10, answer->end()), block);
}

TEST_F(DaemonTest, ReceivedFirmwareIsWrittenBesideTheState) {
    ASSERT_TRUE(Start({"--state", state, "--firmware-idle", "200"}));
    Bytes image(10000);
    for (size_t i = 0; i < image.size(); ++i) {
        image[i] = uint8_t(i ^ (i >> 8));
    }
    {
        Client c(socket);
        EXPECT_EQ(c.Write(kFirmwareGeneric), 8);
        EXPECT_EQ(c.Read(9, 1000), H("1B A5 00 05 50 E0 82 05 00"));
    }
    for (size_t off = 0; off < image.size(); off += 4096) {
        Client c(socket); // one open per chunk, as the program does
        const Bytes chunk(image.begin() + long(off),
                          image.begin() + long(std::min(image.size(), off + 4096)));
        EXPECT_EQ(c.Write(chunk), long(chunk.size()));
    }
    const std::string file = state + ".firmware.bin";
    const auto start = Clock::now();
    while (!fs::exists(file) && ElapsedMs(start) < 3000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream in(file, std::ios::binary);
    const Bytes got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, image);
}

TEST_F(DaemonTest, FaultsAndShapeFromTheCommandLine) {
    ASSERT_TRUE(Start({"--silent", "get-info", "--machine-class", "7", "--capacities", "6,20",
                       "--accept-write", "get-setup=4"}));
    Client c(socket);
    EXPECT_EQ(c.Write(kInquiry), 8);
    EXPECT_EQ(c.Read(10, 1000), H("1B A4 00 06 50 E0 06 14 01 07"));
    EXPECT_EQ(c.Write(kGetInfo), 9);
    EXPECT_EQ(c.Read(200, 100), Bytes{});
    EXPECT_EQ(c.Write(kGetSetup), 4);
    EXPECT_EQ(c.Write(kGetPhonebook), 10);
    const auto pb = c.Read(10000, 1000);
    ASSERT_TRUE(pb);
    EXPECT_EQ(pb->size(), 11u + 69u * 26u);
}

TEST_F(DaemonTest, BadCommandLineIsRefused) {
    EXPECT_FALSE(Start({"--silent", "no-such-command"}));
    EXPECT_EQ(exitStatus, 2);
    std::ofstream(socket) << "not a socket";
    EXPECT_FALSE(Start({}));
    EXPECT_EQ(exitStatus, 1);
    EXPECT_TRUE(fs::exists(socket)); // somebody else's file stays
}

TEST_F(DaemonTest, StaleSocketFromAnEarlierRunIsReplaced) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", socket.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ::close(fd); // the file stays, nobody listens
    ASSERT_TRUE(Start({}));
    Client c(socket);
    EXPECT_EQ(c.Write(kInquiry), 8);
}

} // namespace
