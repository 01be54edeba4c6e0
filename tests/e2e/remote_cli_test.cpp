// faxrcp-cli reaching faxrcp-sim on "another computer": through ssh (a
// stand-in that runs the command here, or a real sshd on the loopback) and
// faxrcp-bridge on the far side.
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include "../firmware/firmware_test_helpers.h"
#include "e2e_programs.h"
#include "support/temp_dir.h"

namespace {

using e2e::CliRun;
using e2e::SimDaemon;

// The far side: its machine behind faxrcp-sim, its own port locks, reached
// through the stand-in for ssh.
struct FarSide {
    SimDaemon sim{{"--firmware-idle", "200"}};
    TempDir locks;

    std::string device(const std::string& host = "far.test") const {
        return "ssh:" + host + "/unix:" + sim.socket();
    }
    CliRun cli(std::vector<std::string> args, const std::string& host = "far.test",
               const std::string& cut = "") const {
        args.insert(args.begin(), {"--device", device(host)});
        return sim.cli(args, {{"FAXRCP_SSH", FAXRCP_SOURCE_DIR "/tests/e2e/fake_ssh.sh"},
                              {"FAKE_SSH_BIN", FAXRCP_BIN_DIR},
                              {"FAKE_SSH_LOCKS", locks.path()},
                              {"FAKE_SSH_CUT", cut}});
    }
    bool lockFree() const {
        const std::string path = locks.file("faxrcp-port-8.lock");
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        const bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        ::close(fd);
        return free;
    }
};

std::string Received(const SimDaemon& sim) {
    for (int i = 0; i < 100; ++i) {
        if (std::ifstream(sim.stateFile() + ".firmware.bin").good()) {
            return e2e::ReadFile(sim.stateFile() + ".firmware.bin");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

// Every command gives the same output, trace and machine state as a local
// run: nothing on the wire to the machine changes.
TEST(RemoteCliTest, CommandsDoWhatTheyDoLocally) {
    FarSide far;
    SimDaemon local{{"--firmware-idle", "200"}};
    const std::string image = local.folder() + "/update.bin";
    std::ofstream(image, std::ios::binary) << fwtest::ImageBytes(10000, 3);
    const std::vector<std::vector<std::string>> commands = {
        {"inquiry"},
        {"setup", "get"},
        {"setup", "set", "zoom=300", "copies=2"},
        {"settings", "save", "SAVED"},
        {"phonebook", "write", FAXRCP_SOURCE_DIR "/tests/e2e/book.pbf"},
        {"firmware", "--yes", image},
    };
    for (std::vector<std::string> args : commands) {
        SCOPED_TRACE(args.front() + " " + args[1 % args.size()]);
        args.insert(args.begin(), {"--trace", "TRACE"});
        auto in = [](std::vector<std::string> a, const std::string& folder) {
            for (std::string& word : a) {
                word = word == "TRACE" || word == "SAVED" ? folder + "/" + word : word;
            }
            return a;
        };
        const CliRun here = local.cli(in(args, local.folder()));
        const CliRun there = far.cli(in(args, far.sim.folder()));
        ASSERT_EQ(here.status, 0) << here.err;
        EXPECT_EQ(there.status, here.status) << there.err;
        EXPECT_EQ(there.out, here.out);
        EXPECT_EQ(there.err, here.err);
        const std::string trace = e2e::ReadFile(local.folder() + "/TRACE");
        EXPECT_NE(trace.find("WriteData"), std::string::npos);
        EXPECT_EQ(e2e::ReadFile(far.sim.folder() + "/TRACE"), trace);
        EXPECT_EQ(e2e::ReadFile(far.sim.folder() + "/SAVED"),
                  e2e::ReadFile(local.folder() + "/SAVED"));
        EXPECT_EQ(e2e::ReadFile(far.sim.stateFile()), e2e::ReadFile(local.stateFile()));
    }
    EXPECT_EQ(Received(far.sim), e2e::ReadFile(image));
    EXPECT_TRUE(far.lockFree());
}

// Each fault gets one line and its exit status, never a hang, and leaves the
// far side's port free.
TEST(RemoteCliTest, FaultsGiveOneLine) {
    const struct {
        const char* host;
        const char* cut;
        bool holdLock;
        std::vector<std::string> args;
        int status;
        std::string said;
    } faults[] = {
        {"unknown.invalid",
         "",
         false,
         {"inquiry"},
         4,
         "cannot reach unknown.invalid over ssh: ssh: Could not resolve hostname "
         "unknown.invalid: Name or service not known"},
        {"refused.test",
         "",
         false,
         {"inquiry"},
         4,
         "cannot reach refused.test over ssh: root@refused.test: Permission denied (publickey)."},
        {"nobridge.test",
         "",
         false,
         {"inquiry"},
         4,
         "faxrcp-bridge is not installed on nobridge.test (install faxrcp there, or put "
         "faxrcp-bridge on its PATH)"},
        {"far.test",
         "",
         true,
         {"inquiry"},
         3,
         "the machine on far.test is busy: another program (the panel, faxrcp-cli or another "
         "bridge) is using it"},
        // The connection ends during the start-up's inquiry, then mid-image.
        {"far.test", "30", false, {"setup", "get"}, 1, "the connection to far.test was lost"},
        {"far.test",
         "6000",
         false,
         {"firmware", "--yes", "IMAGE"},
         1,
         "firmware: the connection to far.test was lost during the update (4096 of 10000 "
         "bytes sent); leave the machine switched on, check the connection to that computer, "
         "then send the firmware again"},
    };
    FarSide far;
    const std::string image = far.sim.folder() + "/update.bin";
    std::ofstream(image, std::ios::binary) << fwtest::ImageBytes(10000, 3);
    for (const auto& f : faults) {
        SCOPED_TRACE(f.said);
        std::vector<std::string> args = f.args;
        std::replace(args.begin(), args.end(), std::string("IMAGE"), image);
        const int held = f.holdLock ? ::open(far.locks.file("faxrcp-port-8.lock").c_str(),
                                             O_RDWR | O_CREAT | O_CLOEXEC, 0600)
                                    : -1;
        if (held >= 0) {
            ::flock(held, LOCK_EX);
        }
        const CliRun run = far.cli(args, f.host, f.cut);
        if (held >= 0) {
            ::close(held);
        }
        EXPECT_EQ(run.status, f.status) << run.err;
        EXPECT_EQ(run.err, "faxrcp-cli: " + f.said + "\n");
        EXPECT_TRUE(far.lockFree());
    }
}

} // namespace
