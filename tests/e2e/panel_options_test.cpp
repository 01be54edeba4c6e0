// faxrcp's own options, run as a user would: they are answered before Qt
// starts, so they work without a display.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>

#include "e2e_programs.h"
#include "support/platform/temp_dir.h"

#ifdef FAXRCP_PANEL_BUILT

namespace {

struct PanelRun {
    int status = -1;
    std::string out;
    std::string err;
};

// With Qt pointed at an X display that is not there, a panel that tried to
// open its window would end at once (aborted); one that waits is killed.
PanelRun RunPanel(const std::vector<std::string>& args) {
    TempDir dir;
    std::vector<std::string> argv = {e2e::Program("faxrcp")};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::map<std::string, std::string> env = {
        {"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ""}, {"FAXRCP_INSTANCE", "faxrcp-options-test"}};
    PanelRun run;
    const pid_t pid = e2e::Spawn(argv, env, dir.file("out"), dir.file("err"));
    if (pid <= 0) {
        ADD_FAILURE() << "cannot start faxrcp";
        return run;
    }
    int status = 0;
    for (int i = 0; i < 400; ++i) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (run.status < 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        ADD_FAILURE() << "faxrcp did not end";
    }
    run.out = dir.read("out");
    run.err = dir.read("err");
    return run;
}

TEST(PanelOptions, HelpPrintsTheUsageAndEnds) {
    for (const char* option : {"--help", "-h"}) {
        const PanelRun run = RunPanel({option});
        EXPECT_EQ(run.status, 0) << option << "\n" << run.err;
        EXPECT_EQ(run.out.rfind("usage: faxrcp", 0), 0u) << run.out;
        EXPECT_NE(run.out.find("--version"), std::string::npos);
        EXPECT_EQ(run.err, "");
    }
}

TEST(PanelOptions, VersionPrintsTheProjectVersion) {
    const PanelRun run = RunPanel({"--version"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "faxrcp " FAXRCP_VERSION "\n");
    EXPECT_EQ(run.err, "");
}

TEST(PanelOptions, UnknownOptionIsWrongUsage) {
    const PanelRun run = RunPanel({"--bogus"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("unknown option '--bogus'"), std::string::npos) << run.err;
}

TEST(PanelOptions, ArgumentIsWrongUsage) {
    const PanelRun run = RunPanel({"phonebook.pbf"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("'phonebook.pbf'"), std::string::npos) << run.err;
}

TEST(PanelOptions, QtOptionsAreLetThrough) {
    const PanelRun run = RunPanel({"-platform", "offscreen", "-style=fusion", "--version"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "faxrcp " FAXRCP_VERSION "\n");
}

TEST(PanelOptions, QtOptionWithoutItsValueIsWrongUsage) {
    const PanelRun run = RunPanel({"-platform"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("missing value after -platform"), std::string::npos) << run.err;
}

TEST(PanelOptions, WithoutADisplayItSaysSoInOneLine) {
    const PanelRun run = RunPanel({});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("faxrcp: no display", 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

} // namespace

#endif
