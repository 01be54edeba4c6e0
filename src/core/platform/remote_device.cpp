#include "platform/remote_device.h"
#include "platform/deadline.h"
#include "platform/real_device.h"
#include "platform/virtual_device.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace platform {

namespace {

// ssh may take a while to log in; the desktop's password prompt waits for
// a person.
constexpr uint32_t kLoginMs = 15000;
constexpr uint32_t kLoginWithPromptMs = 120000;
constexpr uint32_t kOpenMs = 5000;
constexpr uint32_t kListMs = 30000;
constexpr uint32_t kEndMs = 2000;
constexpr size_t kMaxErrorText = 4096;
// A computer that could not be reached is tried again after this, or when the
// user asks (start-up's Retry), not by every exchange in between.
constexpr auto kRetryAfter = std::chrono::seconds(30);
constexpr size_t kMaxList = 64 * 1024;

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) {
        words.push_back(w);
    }
    return words;
}

// One ssh process, its standard input and output on one socket, its errors
// on a pipe.
class SshProcess {
  public:
    SshProcess() = default;
    SshProcess(const SshProcess&) = delete;
    SshProcess& operator=(const SshProcess&) = delete;
    ~SshProcess() { end(); }

    bool start(const SshDeviceName& where, const std::vector<std::string>& command, bool prompts) {
        const char* over = std::getenv("FAXRCP_SSH");
        std::vector<std::string> args = Words(over && *over ? over : "ssh");
        if (args.empty()) {
            return false;
        }
        // A computer that does not answer at all ends in ssh's own words.
        args.insert(args.end(), {"-T", "-o", "ConnectTimeout=10"});
        if (!prompts) {
            args.insert(args.end(), {"-o", "BatchMode=yes"});
        }
        if (where.port != 0) {
            args.insert(args.end(), {"-p", std::to_string(where.port)});
        }
        args.push_back(where.destination());
        args.insert(args.end(), command.begin(), command.end());
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);

        std::vector<std::string> env;
        for (char** e = environ; e && *e; ++e) {
            env.emplace_back(*e);
        }
        if (prompts && std::getenv("SSH_ASKPASS") && !std::getenv("SSH_ASKPASS_REQUIRE")) {
            env.emplace_back("SSH_ASKPASS_REQUIRE=prefer"); // never the terminal we may have
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);

        int pair[2];
        int errors[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
            return false;
        }
        if (::pipe2(errors, O_CLOEXEC) != 0) {
            ::close(pair[0]);
            ::close(pair[1]);
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
        posix_spawn_file_actions_adddup2(&actions, pair[1], 1);
        posix_spawn_file_actions_adddup2(&actions, errors[1], 2);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD}) {
            sigaddset(&defaults, s);
        }
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        // Its own session: no terminal to ask on, no signals meant for us.
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                            POSIX_SPAWN_SETSIGDEF);
        const int r = ::posix_spawnp(&pid_, argv[0], &actions, &attr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        ::close(pair[1]);
        ::close(errors[1]);
        fd_ = pair[0];
        errors_ = errors[0];
        ::fcntl(errors_, F_SETFL, O_NONBLOCK);
        if (r != 0) {
            pid_ = -1;
            errorText_ = std::string(args.front()) + ": " + std::strerror(r);
            return false;
        }
        return true;
    }

    int fd() const { return fd_; }

    // Keeps ssh from blocking on a full error pipe; keeps the last text.
    void drainErrors() {
        char buffer[512];
        for (;;) {
            const ssize_t n = errors_ >= 0 ? ::read(errors_, buffer, sizeof buffer) : 0;
            if (n <= 0) {
                return;
            }
            errorText_.append(buffer, static_cast<size_t>(n));
            if (errorText_.size() > kMaxErrorText) {
                errorText_.erase(0, errorText_.size() - kMaxErrorText);
            }
        }
    }

    // Closes its input and waits for it to end, briefly; then ends it.
    // The exit status, or -1.
    int end() {
        if (fd_ >= 0) {
            ::shutdown(fd_, SHUT_RDWR);
            ::close(fd_);
            fd_ = -1;
        }
        if (pid_ > 0) {
            const SteadyTime deadline =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(kEndMs);
            int status = 0;
            pid_t r = 0;
            bool termed = false;
            while ((r = ::waitpid(pid_, &status, WNOHANG)) == 0) {
                drainErrors();
                if (MsLeft(deadline) == 0) {
                    ::kill(pid_, termed ? SIGKILL : SIGTERM);
                    if (termed) {
                        ::waitpid(pid_, &status, 0);
                        r = pid_;
                        break;
                    }
                    termed = true;
                }
                ::poll(nullptr, 0, 10);
            }
            exitStatus_ = r == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            pid_ = -1;
        }
        drainErrors();
        if (errors_ >= 0) {
            ::close(errors_);
            errors_ = -1;
        }
        return exitStatus_;
    }

    // Why ssh could not bring us to the bridge, in one line.
    RemoteProblem problem(const std::string& host) {
        end();
        std::string last;
        std::istringstream lines(errorText_);
        for (std::string line; std::getline(lines, line);) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
                line.pop_back();
            }
            if (!line.empty()) {
                last = line;
            }
        }
        for (char& c : last) {
            if (static_cast<unsigned char>(c) < 0x20) {
                c = ' ';
            }
        }
        if (exitStatus_ == 127 || last.find("faxrcp-bridge: not found") != std::string::npos ||
            last.find("faxrcp-bridge: command not found") != std::string::npos) {
            return {RemoteFailure::kNoBridge,
                    "faxrcp-bridge is not installed on " + host +
                        " (install faxrcp there, or put faxrcp-bridge on its PATH)",
                    ""};
        }
        if (last.empty()) {
            last = exitStatus_ >= 0 ? "ssh ended with status " + std::to_string(exitStatus_)
                                    : "no answer from ssh";
        }
        return {RemoteFailure::kUnreachable, "cannot reach " + host + " over ssh: " + last, last};
    }

  private:
    pid_t pid_ = -1;
    int fd_ = -1;
    int errors_ = -1;
    int exitStatus_ = -1;
    std::string errorText_;
};

struct Session {
    SshDeviceName where;
    SshProcess ssh;
    VdevChannel channel{-1};
    std::string served; // the far side's name of its machine
    uint32_t roundTripMs = 0;
    bool lost = false;
};

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<Session>> sessions;
    std::map<std::string, RemoteProblem> problems;
    bool reconnect = true;
    std::chrono::steady_clock::time_point retryAfter{};
    bool prompts = false;
    std::string lostHost;
};

// Process-wide: one connection per remote machine for the whole run, shared
// by every open of the device, as the far side's port lock is.
Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// The greeting, then one empty read to time the round trip.
std::shared_ptr<Session> Start(const SshDeviceName& where, bool prompts, RemoteProblem& problem) {
    auto s = std::make_shared<Session>();
    s->where = where;
    std::vector<std::string> command{"faxrcp-bridge", "--stdio"};
    if (!where.device.empty()) {
        command.insert(command.end(), {"--device", where.device});
    }
    if (!s->ssh.start(where, command, prompts)) {
        problem = s->ssh.problem(where.host);
        return nullptr;
    }
    s->channel = VdevChannel(s->ssh.fd());
    uint8_t head[6];
    const uint32_t loginMs = prompts ? kLoginWithPromptMs : kLoginMs;
    if (!s->channel.recvAll(head, sizeof head, loginMs) || head[0] != bridge::kHello) {
        problem = s->ssh.problem(where.host);
        return nullptr;
    }
    const uint32_t length = vdev::GetU32(head + 2);
    std::string text(std::min(length, bridge::kMaxText), '\0');
    if (length > bridge::kMaxText ||
        !s->channel.recvAll(reinterpret_cast<uint8_t*>(text.data()), text.size(), kOpenMs)) {
        problem = s->ssh.problem(where.host);
        return nullptr;
    }
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = ' ';
        }
    }
    if (head[1] == bridge::kBusy) {
        problem = {RemoteFailure::kBusy, "the machine on " + where.host + " is busy: " + text,
                   text};
        return nullptr;
    }
    if (head[1] != bridge::kReady) {
        problem = {RemoteFailure::kNoDevice, where.host + ": " + text, text};
        return nullptr;
    }
    s->served = text;
    const auto before = std::chrono::steady_clock::now();
    uint8_t ping[9] = {vdev::kRead};
    uint8_t reply[5];
    if (!s->channel.sendAll(ping, sizeof ping, kOpenMs) ||
        !s->channel.recvAll(reply, sizeof reply, kOpenMs) || reply[0] != vdev::kReadReply ||
        vdev::GetU32(reply + 1) != 0) {
        problem = s->ssh.problem(where.host);
        return nullptr;
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - before);
    s->roundTripMs = static_cast<uint32_t>(std::min<long long>(took.count() + 1, 60000));
    return s;
}

void MarkLost(Session& s) {
    if (s.lost) {
        return;
    }
    s.lost = true;
    s.ssh.end();
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.reconnect = false;
    r.lostHost = s.where.host;
    for (auto& [name, session] : r.sessions) {
        if (session.get() == &s) {
            r.problems[name] = {RemoteFailure::kLost,
                                "the connection to " + s.where.host + " was lost", ""};
        }
    }
}

class RemoteDevice : public TimedDevice {
  public:
    explicit RemoteDevice(std::shared_ptr<Session> session) : s_(std::move(session)) {}
    ~RemoteDevice() override {
        const uint8_t close = bridge::kClose;
        if (!s_->lost && !s_->channel.sendAll(&close, 1, kOpenMs + s_->roundTripMs)) {
            MarkLost(*s_);
        }
    }
    RemoteDevice(const RemoteDevice&) = delete;
    RemoteDevice& operator=(const RemoteDevice&) = delete;

    long write(const uint8_t* data, size_t count) override {
        return checked(s_->channel.write(data, count, timeouts_, s_->roundTripMs));
    }
    long read(uint8_t* data, size_t count) override {
        return checked(s_->channel.read(data, count, timeouts_, s_->roundTripMs));
    }
    bool deviceControl(uint32_t code, const uint8_t* in, size_t inSize, uint8_t*, size_t) override {
        const bool done = s_->channel.control(code, in, inSize, s_->roundTripMs);
        checked(0);
        return done;
    }

  private:
    long checked(long result) {
        s_->ssh.drainErrors();
        if (s_->channel.broken()) {
            MarkLost(*s_);
        }
        return result;
    }
    std::shared_ptr<Session> s_;
};

std::shared_ptr<Session> SessionFor(const std::string& name, const SshDeviceName& where) {
    Registry& r = TheRegistry();
    std::unique_lock lock(r.mutex);
    auto it = r.sessions.find(name);
    if (it != r.sessions.end() && !it->second->lost) {
        return it->second;
    }
    if (!r.reconnect) {
        return nullptr;
    }
    const bool prompts = r.prompts;
    lock.unlock();
    RemoteProblem problem;
    std::shared_ptr<Session> s = Start(where, prompts, problem);
    lock.lock();
    if (!s) {
        r.problems[name] = problem;
        r.reconnect = false;
        r.retryAfter = std::chrono::steady_clock::now() + kRetryAfter;
        return nullptr;
    }
    r.problems.erase(name);
    r.sessions[name] = s;
    return s;
}

} // namespace

std::unique_ptr<Device> OpenRemoteDevice(const std::string& name, const OpenMode& mode) {
    const std::optional<SshDeviceName> where = ParseSshDeviceName(name);
    if (!where) {
        return nullptr;
    }
    std::shared_ptr<Session> s = SessionFor(name, *where);
    if (!s) {
        return nullptr;
    }
    const uint8_t open[2] = {bridge::kOpen,
                             static_cast<uint8_t>((mode.read ? bridge::kModeRead : 0) |
                                                  (mode.write ? bridge::kModeWrite : 0) |
                                                  (mode.shared ? bridge::kModeShared : 0))};
    uint8_t reply[2];
    const uint32_t within = kOpenMs + s->roundTripMs;
    if (!s->channel.sendAll(open, sizeof open, within) ||
        !s->channel.recvAll(reply, sizeof reply, within) || reply[0] != bridge::kOpenReply) {
        s->channel.fail();
        MarkLost(*s);
        return nullptr;
    }
    {
        Registry& r = TheRegistry();
        std::lock_guard lock(r.mutex);
        if (reply[1] == bridge::kNotOpened) {
            r.problems[name] = {RemoteFailure::kNoDevice,
                                where->host + " cannot open its machine " + s->served, ""};
            return nullptr;
        }
        r.problems.erase(name);
    }
    if (reply[1] != bridge::kOpened) {
        NoteRealDeviceOpened(); // the far side's real machine gets every wait
    }
    return std::make_unique<RemoteDevice>(std::move(s));
}

RemoteProblem LastRemoteProblem(const std::string& name) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    const auto it = r.problems.find(name);
    return it == r.problems.end() ? RemoteProblem{} : it->second;
}

uint32_t RemoteRoundTripMs() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    uint32_t most = 0;
    for (const auto& [name, s] : r.sessions) {
        if (!s->lost) {
            most = std::max(most, s->roundTripMs);
        }
    }
    return most;
}

void AllowRemoteReconnect() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.reconnect = r.reconnect || std::chrono::steady_clock::now() >= r.retryAfter;
}

void RetryRemoteNow() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.reconnect = true;
    r.retryAfter = {};
}

std::string TakeLostRemoteHost() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    return std::exchange(r.lostHost, std::string());
}

void CloseRemoteSessions() {
    std::map<std::string, std::shared_ptr<Session>> ending;
    {
        Registry& r = TheRegistry();
        std::lock_guard lock(r.mutex);
        ending.swap(r.sessions);
        r.reconnect = true;
    }
    // Ended outside the lock: each waits briefly for its bridge to let go.
}

void SetRemotePasswordPrompts(bool allowed) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.prompts = allowed;
}

bool ListRemoteMachines(const SshDeviceName& host, std::string& lines, RemoteProblem& problem) {
    bool prompts = false;
    {
        Registry& r = TheRegistry();
        std::lock_guard lock(r.mutex);
        prompts = r.prompts;
    }
    SshProcess ssh;
    if (!ssh.start(host, {"faxrcp-bridge", "--list"}, prompts)) {
        problem = ssh.problem(host.host);
        return false;
    }
    ::shutdown(ssh.fd(), SHUT_WR);
    const SteadyTime deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kListMs);
    lines.clear();
    char buffer[4096];
    for (;;) {
        pollfd p{ssh.fd(), POLLIN, 0};
        const int r = ::poll(&p, 1, MsLeft(deadline));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        const ssize_t n = r > 0 ? ::read(ssh.fd(), buffer, sizeof buffer) : -1;
        if (n <= 0 || lines.size() + static_cast<size_t>(n) > kMaxList) {
            break;
        }
        lines.append(buffer, static_cast<size_t>(n));
        ssh.drainErrors();
    }
    if (ssh.end() != 0) {
        problem = ssh.problem(host.host);
        return false;
    }
    return true;
}

} // namespace platform
