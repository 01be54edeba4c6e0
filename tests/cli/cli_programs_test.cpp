// faxrcp-cli and faxrcp-sim as the programs they are, over a real socket.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "e2e/e2e_programs.h"

namespace {

struct Timed {
    e2e::CliRun run;
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

// faxrcp-cli with the daemon's folder for its lock and profiles, plus env.
Timed RunCli(const e2e::SimDaemon& sim, const std::vector<std::string>& args,
             std::map<std::string, std::string> env) {
    std::vector<std::string> argv = {e2e::Program("faxrcp-cli")};
    argv.insert(argv.end(), args.begin(), args.end());
    env.emplace("XDG_CONFIG_HOME", sim.folder());
    env.emplace("FAXRCP_LOCK_DIR", sim.folder());
    const std::string outFile = sim.folder() + "/timed.out";
    const std::string errFile = sim.folder() + "/timed.err";
    Timed t;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = e2e::Spawn(argv, env, outFile, errFile);
    if (pid <= 0) {
        ADD_FAILURE() << "cannot start faxrcp-cli";
        return t;
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    t.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    t.run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    t.run.out = e2e::ReadFile(outFile);
    t.run.err = e2e::ReadFile(errFile);
    return t;
}

TEST(CliProgramsTest, InquiryOverUsbPrintsTheSimulatedMachineClass) {
    e2e::SimDaemon sim({"--machine-class", "7"});
    const e2e::CliRun run = sim.cli({"inquiry"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.outLines(), (std::vector<std::string>{"port=USB", "machineClass=7", "capacityA=0",
                                                        "capacityB=100"}));
    EXPECT_EQ(run.err, "");
    // -v: traces go to standard error, exactly as written; --trace: to a file.
    const std::string file = sim.folder() + "/trace.txt";
    const e2e::CliRun traced = sim.cli({"-v", "--trace", file, "inquiry"});
    EXPECT_EQ(traced.status, 0) << traced.err;
    EXPECT_EQ(traced.out, run.out);
    EXPECT_NE(traced.err.find(" Port = USB, Win98 = 0\r===> INQUIRY <===\nWriteData = 8 \n"),
              std::string::npos)
        << traced.err;
    EXPECT_EQ(e2e::ReadFile(file), traced.err);
}

TEST(CliProgramsTest, MachineSilentOnUsbIsReachedAsTheEcpDevice) {
    // Silent for the two inquiries on USB, then answering on the same socket
    // under the parallel port's name.
    e2e::SimDaemon sim({"--silent", "inquiry", "--times", "inquiry=2", "--machine-class", "3"});
    const Timed t = RunCli(sim, {"--verbose", "inquiry"},
                           {{"FAXRCP_FAST_WAITS", "1"},
                            {"FAXRCP_USB_PORT", "unix:" + sim.socket()},
                            {"FAXRCP_USB_TIMEOUT_MS", "200"},
                            {"FAXRCP_ECP1", "unix:" + sim.socket()}});
    EXPECT_EQ(t.run.status, 0) << t.run.err;
    EXPECT_EQ(t.run.outLines(), (std::vector<std::string>{"port=\\\\.\\VornEcp1", "machineClass=3",
                                                          "capacityA=0", "capacityB=100"}));
    // The trace still names the port that detection chose.
    EXPECT_NE(t.run.err.find(" Port = USB, Win98 = 0\r"), std::string::npos) << t.run.err;
}

TEST(CliProgramsTest, SilentMachineEndsWithNotRespondingAndBusyPortWithStatus3) {
    e2e::SimDaemon sim({"--silent", "inquiry"});
    const std::map<std::string, std::string> env = {
        {"FAXRCP_FAST_WAITS", "1"},
        {"FAXRCP_USB_PORT", "unix:" + sim.socket()},
        {"FAXRCP_USB_TIMEOUT_MS", "100"},
        {"FAXRCP_ECP1", "unix:" + sim.folder() + "/nothing.sock"}};
    const Timed silent = RunCli(sim, {"inquiry"}, env);
    EXPECT_EQ(silent.run.status, 1);
    EXPECT_EQ(silent.run.out, "");
    EXPECT_EQ(silent.run.err, "faxrcp-cli: no answer from the machine at unix:" + sim.socket() +
                                  "; the parallel port \\\\.\\VornEcp1 (unix:" + sim.folder() +
                                  "/nothing.sock) cannot be opened\n");

    // A second tool holding the port lock keeps this one off.
    const std::string lock = sim.folder() + "/faxrcp-port-8.lock";
    const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const Timed busy = RunCli(sim, {"inquiry"}, env);
    ::close(fd);
    EXPECT_EQ(busy.run.status, 3);
    EXPECT_EQ(busy.run.err, "faxrcp-cli: the port is busy: another program (the panel or another "
                            "faxrcp-cli) is using the machine\n");
}

TEST(CliProgramsTest, InquiryWaitsItsTimeWithoutBurningTheProcessor) {
    e2e::SimDaemon sim;
    // Real waits: one attempt, 1.5 s of wall time, next to no processor time.
    const Timed t = RunCli(sim, {"inquiry"}, {{"FAXRCP_USB_PORT", "unix:" + sim.socket()}});
    EXPECT_EQ(t.run.status, 0) << t.run.err;
    EXPECT_GE(t.wallSeconds, 1.5);
    EXPECT_LT(t.cpuSeconds, 0.5);
}

// A standard input that cannot be read is a read error, not a wrong file.
TEST(CliProgramsTest, StandardInputThatCannotBeReadIsAReadError) {
    TempDir dir;
    const std::pair<const char*, const char*> inputs[] = {{"", "read or write error"},
                                                          {"/", "not a regular file"}};
    for (const auto& [input, reason] : inputs) {
        SCOPED_TRACE(input);
        const pid_t pid = e2e::Spawn({e2e::Program("faxrcp-cli"), "settings", "diff", "-"}, {},
                                     dir.file("out"), dir.file("err"), input);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 2);
        EXPECT_NE(e2e::ReadFile(dir.file("err")).find(reason), std::string::npos);
    }
}

} // namespace
