#include "bench_env.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "model/panel_context.h"
#include "model/startup.h"
#include "platform/program.h"

extern char** environ;

namespace bench {

namespace {

std::string scratch;

void RemoveScratch() {
    if (!scratch.empty()) {
        const std::string command = "rm -rf '" + scratch + "'";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "bench: could not remove %s\n", scratch.c_str());
        }
    }
}

} // namespace

const std::string& Scratch() {
    if (scratch.empty()) {
        char pattern[] = "/tmp/faxrcp-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            std::perror("bench: mkdtemp");
            std::exit(1);
        }
        scratch = pattern;
        std::atexit(RemoveScratch);
        ::setenv("XDG_CONFIG_HOME", scratch.c_str(), 1);
        ::setenv("FAXRCP_LOCK_DIR", scratch.c_str(), 1);
    }
    return scratch;
}

PanelContext& ProgramContext() {
    // One program per benchmark process; kept to the end so that nothing is
    // unloaded while the process exits.
    static PanelContext& context = *new PanelContext;
    return context;
}

bool StartProgram(const std::string& port) {
    Scratch();
    ::setenv("FAXRCP_USB_PORT", port.c_str(), 1);
    // The stand-in libraries, faxrcp.ini and the language files sit beside
    // the programs.
    platform::SetModuleFileNameForTests(std::string(FAXRCP_BIN_DIR) + "/faxrcp");
    return RunStartup(ProgramContext(), StartupHooks{}) == StartupOutcome::MainWindow;
}

void StopProgram() {
    RunExit(ProgramContext());
}

int Inquiry() {
    return Mfp_Inquiry(ProgramContext().link, ProgramContext().records.inquiryRecord);
}
int GetSettings() {
    return Mfp_GetSettings(ProgramContext().link, ProgramContext().records.systemSetup);
}
int SetSettings() {
    return Mfp_SetSettings(ProgramContext().link, ProgramContext().records.systemSetup);
}
int GetSystemStatus() {
    return Mfp_GetSystemStatus(ProgramContext().link, ProgramContext().records.systemStatus);
}
int SetSystemStatus() {
    return Mfp_SetSystemStatus(ProgramContext().link, ProgramContext().records.systemStatus);
}
int GetMachineInfo() {
    return Mfp_GetMachineInfo(ProgramContext().link, ProgramContext().records.machineInfo);
}
int GetPhonebook() {
    return Mfp_GetPhonebook(ProgramContext().link, ProgramContext().records);
}
int SetPhonebook() {
    return Mfp_SetPhonebook(ProgramContext().link, ProgramContext().records);
}

SimProcess::SimProcess(const std::string& extraArgs) {
    static int count = 0;
    socket_ = Scratch() + "/machine" + std::to_string(count++) + ".sock";
    std::vector<std::string> args = {std::string(FAXRCP_BIN_DIR) + "/faxrcp-sim", "--socket",
                                     socket_};
    std::istringstream extra(extraArgs);
    for (std::string a; extra >> a;) {
        args.push_back(a);
    }
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 400 && pid_ > 0; ++i) {
        struct stat st {};
        if (::stat(socket_.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::fprintf(stderr, "bench: faxrcp-sim did not start\n");
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

int64_t ProcessCpuMicros() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return (int64_t(u.ru_utime.tv_sec) + u.ru_stime.tv_sec) * 1000000 + u.ru_utime.tv_usec +
           u.ru_stime.tv_usec;
}

int64_t OtherProcessCpuMicros(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    // Fields after the command name (which may hold blanks): utime is 14th
    // and stime 15th of the whole line.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    int64_t utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) {
            utime = std::stoll(field);
        } else if (i == 15) {
            stime = std::stoll(field);
        }
    }
    return (utime + stime) * 1000000 / ::sysconf(_SC_CLK_TCK);
}

int64_t WallMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace bench
