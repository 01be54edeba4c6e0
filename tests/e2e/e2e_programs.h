#pragma once
// Runs the real programs for end-to-end tests: the simulated machine as a
// daemon on a Unix socket, and faxrcp-cli against it.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/platform/temp_dir.h"

extern char** environ;

namespace e2e {

inline std::string Program(const std::string& name) {
    return std::string(FAXRCP_BIN_DIR) + "/" + name;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Sleeps pass at once in the programs; device time-outs stay real.
inline std::map<std::string, std::string> FastWaits() {
    return {{"FAXRCP_FAST_WAITS", "1"}};
}

// Starts a program with stdout and stderr sent to files, standard input
// from inPath (closed when empty); returns its pid or -1.
inline pid_t Spawn(const std::vector<std::string>& argv,
                   const std::map<std::string, std::string>& env, const std::string& outPath,
                   const std::string& errPath, const std::string& inPath = "/dev/null") {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (!env.count(entry.substr(0, entry.find('=')))) {
            envStrings.push_back(entry);
        }
    }
    for (const auto& [k, v] : env) {
        envStrings.push_back(k + "=" + v);
    }
    std::vector<char*> args, envp;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    for (const auto& e : envStrings) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inPath.empty()) {
        posix_spawn_file_actions_addclose(&actions, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = -1;
    int r = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return r == 0 ? pid : -1;
}

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;

    std::vector<std::string> outLines() const {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string l; std::getline(in, l);) {
            lines.push_back(l);
        }
        return lines;
    }
    // A line of standard error exactly (the traces share it).
    bool errHasLine(const std::string& line) const {
        return ("\n" + err).find("\n" + line + "\n") != std::string::npos;
    }
};

// faxrcp-sim on a socket in its own folder, stopped when the object goes.
class SimDaemon {
  public:
    explicit SimDaemon(std::vector<std::string> options = {}) {
        std::vector<std::string> argv = {Program("faxrcp-sim"), "--socket", socket(), "--state",
                                         stateFile()};
        argv.insert(argv.end(), options.begin(), options.end());
        pid_ = Spawn(argv, FastWaits(), dir_.file("sim.out"), dir_.file("sim.err"));
        for (int i = 0; i < 200 && pid_ > 0; ++i) {
            struct stat st {};
            if (::stat(socket().c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        ADD_FAILURE() << "faxrcp-sim did not start: " << ReadFile(dir_.file("sim.err"));
    }
    ~SimDaemon() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    SimDaemon(const SimDaemon&) = delete;
    SimDaemon& operator=(const SimDaemon&) = delete;

    std::string socket() const { return dir_.file("machine.sock"); }
    std::string stateFile() const { return dir_.file("machine.state"); }
    std::string folder() const { return dir_.path(); }

    // faxrcp-cli with the machine on its USB port, its own port lock and
    // profile folder, and the protocol's fixed waits skipped.
    CliRun cli(const std::vector<std::string>& args,
               const std::map<std::string, std::string>& more = {}) const {
        std::vector<std::string> argv = {Program("faxrcp-cli")};
        argv.insert(argv.end(), args.begin(), args.end());
        std::map<std::string, std::string> env = FastWaits();
        env["FAXRCP_USB_PORT"] = "unix:" + socket();
        env["XDG_CONFIG_HOME"] = dir_.path();
        env["FAXRCP_LOCK_DIR"] = dir_.path();
        // A silent machine costs the USB library's read time-out twice per run.
        env["FAXRCP_USB_TIMEOUT_MS"] = "300";
        for (const auto& [k, v] : more) {
            env[k] = v;
        }
        CliRun run;
        pid_t pid = Spawn(argv, env, dir_.file("cli.out"), dir_.file("cli.err"));
        if (pid <= 0) {
            ADD_FAILURE() << "cannot start faxrcp-cli";
            return run;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = ReadFile(dir_.file("cli.out"));
        run.err = ReadFile(dir_.file("cli.err"));
        return run;
    }

  private:
    TempDir dir_;
    pid_t pid_ = -1;
};

} // namespace e2e
