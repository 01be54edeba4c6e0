// faxrcp-cli firmware FILE against the faxrcp-sim daemon over a real socket.
// The transfer's fixed waits are real here: a completed update takes about
// 47 s (inquiry 1.5 s, answer 0.5 s, 5 s before the data, 40 s after it).

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "../firmware/firmware_test_helpers.h"
#include "support/temp_dir.h"

namespace {

using Env = std::vector<std::pair<std::string, std::string>>;
using namespace std::chrono_literals;

constexpr int kExitPortBusy = 3;

// Starts a program with extra environment variables and its standard error
// (and output) going to errFile.
pid_t Spawn(const std::vector<std::string>& args, const Env& env, const std::string& errFile) {
    pid_t pid = ::fork();
    if (pid != 0) {
        return pid;
    }
    for (const auto& [name, value] : env) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    int fd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::dup2(fd, STDERR_FILENO);
        ::dup2(fd, STDOUT_FILENO);
    }
    std::vector<char*> argv;
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

// The exit status, or -1 when the program did not end in time (it is then
// killed).
int WaitExit(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (true) {
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (r < 0 && errno != EINTR) {
            return -1;
        }
        if (std::chrono::steady_clock::now() > end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(50ms);
    }
}

class FirmwareCliTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (simPid > 0) {
            ::kill(simPid, SIGTERM);
            WaitExit(simPid, 5s);
        }
    }

    void startSim(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {std::string(FAXRCP_BIN_DIR) + "/faxrcp-sim", "--socket",
                                         socket, "--state", dir.file("machine.state")};
        args.insert(args.end(), extra.begin(), extra.end());
        simPid = Spawn(args, {}, dir.file("sim.log"));
        ASSERT_GT(simPid, 0);
        for (int i = 0; i < 200; ++i) {
            struct stat st {};
            if (::stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
                return;
            }
            std::this_thread::sleep_for(25ms);
        }
        FAIL() << "faxrcp-sim did not start: " << dir.read("sim.log");
    }

    // Runs faxrcp-cli firmware FILE; waits while another run holds the
    // machine's port lock.
    int runFirmware(const std::string& file) {
        const auto giveUp = std::chrono::steady_clock::now() + 60s;
        while (true) {
            pid_t pid = Spawn({std::string(FAXRCP_BIN_DIR) + "/faxrcp-cli", "firmware", file},
                              {{"FAXRCP_USB_PORT", "unix:" + socket}}, dir.file("cli.log"));
            int status = WaitExit(pid, 100s);
            if (status != kExitPortBusy || std::chrono::steady_clock::now() > giveUp) {
                cliLog = dir.read("cli.log");
                return status;
            }
            std::this_thread::sleep_for(500ms);
        }
    }

    std::string firmwareFile() const { return dir.file("machine.state.firmware.bin"); }

    TempDir dir;
    std::string socket = dir.file("machine.sock");
    pid_t simPid = -1;
    std::string cliLog;
};

TEST_F(FirmwareCliTest, MachineStoresTheImageByteForByte) {
    startSim();
    const std::string image = fwtest::ImageBytes(10000, 7);
    const std::string file = dir.write("update.bin", image);

    EXPECT_EQ(runFirmware(file), 0) << cliLog;

    EXPECT_NE(cliLog.find("firmware: 4096 of 10000 bytes sent (40 %)"), std::string::npos)
        << cliLog;
    EXPECT_NE(cliLog.find("firmware: 10000 of 10000 bytes sent (100 %)"), std::string::npos)
        << cliLog;
    EXPECT_NE(cliLog.find("firmware: update complete"), std::string::npos) << cliLog;
    const std::string received = fwtest::ReadFile(firmwareFile());
    ASSERT_EQ(received.size(), image.size());
    EXPECT_TRUE(received == image) << "the received image differs";
}

TEST_F(FirmwareCliTest, RefusedDataExitsWithOne) {
    startSim({"--refuse-firmware"});
    const std::string file = dir.write("update.bin", fwtest::ImageBytes(6000, 8));

    EXPECT_EQ(runFirmware(file), 1) << cliLog;

    EXPECT_NE(cliLog.find("firmware: failed to write data (0 of 6000 bytes sent)"),
              std::string::npos)
        << cliLog;
    EXPECT_NE(cliLog.find("FwUp: Data written - 0 "), std::string::npos) << cliLog;
    EXPECT_EQ(cliLog.find("update complete"), std::string::npos) << cliLog;
}

TEST_F(FirmwareCliTest, MissingFileExitsWithOneWithoutTouchingTheMachine) {
    startSim();

    EXPECT_EQ(runFirmware(dir.file("missing.bin")), 1) << cliLog;

    EXPECT_NE(cliLog.find("firmware: cannot open"), std::string::npos) << cliLog;
    EXPECT_EQ(cliLog.find("FwUp"), std::string::npos) << cliLog;
    EXPECT_FALSE(std::ifstream(firmwareFile()).good());
}

} // namespace
