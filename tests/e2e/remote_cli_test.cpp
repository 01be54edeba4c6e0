// faxrcp-cli reaching faxrcp-sim on "another computer": through ssh (a
// stand-in that runs the command here, or a real sshd on the loopback) and
// faxrcp-bridge on the far side.
#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "support/platform/firmware_test_helpers.h"
#include "e2e_programs.h"
#include "support/platform/temp_dir.h"

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
void ExpectSameAsLocal(const SimDaemon& far,
                       const std::function<CliRun(std::vector<std::string>)>& remote) {
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
        const CliRun there = remote(in(args, far.folder()));
        ASSERT_EQ(here.status, 0) << here.err;
        EXPECT_EQ(there.status, here.status) << there.err;
        // inquiry names the port it used: here the socket, there the bridge.
        auto withoutPort = [](const std::string& out) {
            return out.starts_with("port=") ? out.substr(out.find('\n', out.find('\n') + 1) + 1)
                                            : out;
        };
        EXPECT_EQ(withoutPort(there.out), withoutPort(here.out));
        EXPECT_TRUE(!there.out.starts_with("port=") ||
                    there.out.starts_with("port=ssh\ndevice=ssh:"))
            << there.out;
        EXPECT_EQ(there.err, here.err);
        const std::string trace = e2e::ReadFile(local.folder() + "/TRACE");
        EXPECT_NE(trace.find("WriteData"), std::string::npos);
        EXPECT_EQ(e2e::ReadFile(far.folder() + "/TRACE"), trace);
        EXPECT_EQ(e2e::ReadFile(far.folder() + "/SAVED"), e2e::ReadFile(local.folder() + "/SAVED"));
        EXPECT_EQ(e2e::ReadFile(far.stateFile()), e2e::ReadFile(local.stateFile()));
    }
    EXPECT_EQ(Received(far), e2e::ReadFile(image));
}

TEST(RemoteCliTest, CommandsDoWhatTheyDoLocally) {
    FarSide far;
    ExpectSameAsLocal(far.sim, [&](std::vector<std::string> args) { return far.cli(args); });
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

// A real OpenSSH server on the loopback, as the current user, with
// throwaway keys.
class Sshd {
  public:
    Sshd() {
        if (::access("/usr/sbin/sshd", X_OK) != 0 || ::access("/usr/bin/ssh", X_OK) != 0) {
            skip_ = "openssh-server or openssh-client is not installed";
            return;
        }
        // Privilege separation needs its empty folder; only root may make it.
        ::mkdir("/run/sshd", 0755);
        for (const char* key : {"host_key", "user_key"}) {
            const std::string command = "ssh-keygen -q -t ed25519 -N '' -C '' -f " +
                                        dir_.file(key) + " </dev/null >/dev/null 2>&1";
            if (std::system(command.c_str()) != 0) {
                skip_ = "ssh-keygen failed";
                return;
            }
        }
        port_ = FreePort();
        dir_.write("authorized_keys", dir_.read("user_key.pub"));
        dir_.write("known_hosts",
                   "[127.0.0.1]:" + std::to_string(port_) + " " + dir_.read("host_key.pub"));
        ::mkdir(dir_.file("locks").c_str(), 0700);
        dir_.write("config", "Port " + std::to_string(port_) +
                                 "\nListenAddress 127.0.0.1\nHostKey " + dir_.file("host_key") +
                                 "\nPidFile none\nAuthorizedKeysFile " +
                                 dir_.file("authorized_keys") +
                                 "\nStrictModes no\nUsePAM no\nPasswordAuthentication no\n"
                                 "KbdInteractiveAuthentication no\nPermitRootLogin "
                                 "prohibit-password\nSetEnv PATH=" FAXRCP_BIN_DIR
                                 ":/usr/bin:/bin FAXRCP_LOCK_DIR=" +
                                 dir_.file("locks") + "\n");
        pid_ = e2e::Spawn({"/usr/sbin/sshd", "-D", "-e", "-f", dir_.file("config")}, {},
                          dir_.file("sshd.out"), dir_.file("sshd.log"));
        for (int i = 0; i < 200 && pid_ > 0; ++i) {
            if (Listening()) {
                return;
            }
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        skip_ = "sshd cannot run here: " + dir_.read("sshd.log");
    }
    ~Sshd() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Sshd(const Sshd&) = delete;
    Sshd& operator=(const Sshd&) = delete;

    const std::string& skip() const { return skip_; }
    std::map<std::string, std::string> env() const {
        return {{"FAXRCP_SSH",
                 "ssh -F /dev/null -i " + dir_.file("user_key") +
                     " -o IdentitiesOnly=yes -o UserKnownHostsFile=" + dir_.file("known_hosts")}};
    }
    std::string device(const SimDaemon& sim) const {
        return "ssh:127.0.0.1:" + std::to_string(port_) + "/unix:" + sim.socket();
    }
    bool lockFree() const {
        const int fd = ::open(dir_.file("locks/faxrcp-port-8.lock").c_str(),
                              O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        const bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        ::close(fd);
        return free;
    }

  private:
    static int FreePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
        ::close(fd);
        return ntohs(a.sin_port);
    }
    bool Listening() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(port_));
        const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(fd);
        return up;
    }

    TempDir dir_;
    int port_ = 0;
    pid_t pid_ = -1;
    std::string skip_;
};

// The ssh process faxrcp-cli started, once the far side holds its port.
pid_t SshChildOnceServing(pid_t cli, const Sshd& sshd) {
    for (int i = 0; i < 400; ++i) {
        if (!sshd.lockFree()) {
            for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
                const std::string status = e2e::ReadFile(entry.path() / "status");
                if (status.find("\nPPid:\t" + std::to_string(cli) + "\n") != std::string::npos &&
                    status.starts_with("Name:\tssh\n")) {
                    return std::stoi(entry.path().filename());
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return -1;
}

TEST(RemoteCliTest, ThroughARealSshServer) {
    const Sshd sshd;
    if (!sshd.skip().empty()) {
        GTEST_SKIP() << sshd.skip();
    }
    SimDaemon far{{"--firmware-idle", "200"}};
    ExpectSameAsLocal(far, [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--device", sshd.device(far)});
        return far.cli(args, sshd.env());
    });

    // The connection killed while the client waits for a late answer.
    SimDaemon late{{"--late", "get-setup=3000"}};
    std::map<std::string, std::string> env = e2e::FastWaits();
    env.merge(sshd.env());
    env["FAXRCP_LOCK_DIR"] = late.folder();
    env["FAXRCP_USB_TIMEOUT_MS"] = "6000";
    const pid_t cli =
        e2e::Spawn({e2e::Program("faxrcp-cli"), "--device", sshd.device(late), "setup", "get"}, env,
                   late.folder() + "/out", late.folder() + "/err");
    const pid_t ssh = SshChildOnceServing(cli, sshd);
    ASSERT_GT(ssh, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(800)); // inside the read
    ::kill(ssh, SIGKILL);
    int status = 0;
    ::waitpid(cli, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 1) << e2e::ReadFile(late.folder() + "/err");
    bool freed = false;
    for (int i = 0; i < 200 && !(freed = sshd.lockFree()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    EXPECT_TRUE(freed);
}

} // namespace
