// faxrcp from its start to a shown main window, against faxrcp-sim over a
// socket, with the protocol's fixed waits skipped (FAXRCP_FAST_WAITS=1) and
// the windows drawn off screen. The window is seen from outside through the
// program's automation socket: the time runs until it names the main window.
// Resident memory is read from /proc at that moment.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench_env.h"

extern char** environ;

namespace {

pid_t Spawn(const std::string& program, const std::map<std::string, std::string>& env,
            const std::string& errPath) {
    std::vector<std::string> strings;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!env.count(entry.substr(0, entry.find('=')))) {
            strings.push_back(entry);
        }
    }
    for (const auto& [k, v] : env) {
        strings.push_back(k + "=" + v);
    }
    std::vector<char*> envp;
    for (auto& s : strings) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// One question on the automation socket; empty when nobody answers.
std::string Ask(const std::string& path, const std::string& line) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    std::string answer;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        const std::string request = line + "\n";
        if (::write(fd, request.data(), request.size()) == ssize_t(request.size())) {
            char c;
            while (::read(fd, &c, 1) == 1 && c != '\n') {
                answer += c;
            }
        }
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return answer;
}

long StatusKb(pid_t pid, const char* field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field, 0) == 0) {
            return std::stol(line.substr(std::strlen(field)));
        }
    }
    return -1;
}

void StartupToMainWindow(benchmark::State& state) {
    const std::string automation = bench::Scratch() + "/automation.sock";
    const std::string errPath = bench::Scratch() + "/faxrcp.err";
    double rssKb = 0, peakKb = 0, cpuMicros = 0;
    for (auto _ : state) {
        // A fresh machine each time: a program ended in the middle of an
        // exchange leaves answer bytes behind in the machine.
        bench::SimProcess sim;
        if (!sim.running()) {
            state.SkipWithError("faxrcp-sim did not start");
            break;
        }
        const std::map<std::string, std::string> env = {
            {"QT_QPA_PLATFORM", "offscreen"},
            {"FAXRCP_FAST_WAITS", "1"},
            {"FAXRCP_USB_PORT", "unix:" + sim.socket()},
            {"FAXRCP_AUTOMATION", automation},
            // A panel of its own, whatever other panel runs on the machine.
            {"FAXRCP_INSTANCE", bench::Scratch() + "/instance.sock"},
            {"XDG_RUNTIME_DIR", bench::Scratch()},
            {"XDG_CONFIG_HOME", bench::Scratch()},
            {"FAXRCP_LOCK_DIR", bench::Scratch()},
        };
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = Spawn(std::string(FAXRCP_BIN_DIR) + "/faxrcp", env, errPath);
        bool shown = false;
        std::string last;
        while (pid > 0 && !shown &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
            last = Ask(automation, "window");
            shown = last.rfind("CMainDlg|", 0) == 0;
            if (last.rfind("QMessageBox|", 0) == 0) {
                last += ": " + Ask(automation, "box");
                break;
            }
            if (!shown) {
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        }
        const auto seen = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(seen - start).count());
        if (shown) {
            rssKb += double(StatusKb(pid, "VmRSS:"));
            peakKb += double(StatusKb(pid, "VmHWM:"));
            cpuMicros += double(bench::OtherProcessCpuMicros(pid));
        }
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
        if (!shown) {
            static std::string error;
            error = "the main window did not show (last answer: '" + last + "')";
            std::ifstream log(errPath);
            std::fprintf(stderr, "%s",
                         std::string(std::istreambuf_iterator<char>(log), {}).c_str());
            state.SkipWithError(error.c_str());
            break;
        }
    }
    state.counters["rss_MB"] = benchmark::Counter(rssKb / 1024, benchmark::Counter::kAvgIterations);
    // The program's own processor time up to the shown window: what the start-up
    // would take on an otherwise idle machine.
    state.counters["faxrcp_cpu_ms"] =
        benchmark::Counter(cpuMicros / 1000, benchmark::Counter::kAvgIterations);
    state.counters["peak_rss_MB"] =
        benchmark::Counter(peakKb / 1024, benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK(StartupToMainWindow)->Iterations(10)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
