#include "sim/sim_server.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "platform/virtual_device.h"
#include "sim/state_file.h"

namespace sim {

namespace {

using platform::vdev::GetU32;
using platform::vdev::PutU32;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int ClampMs(uint64_t ms) {
    return int(std::min<uint64_t>(ms, 0x7FFFFFFF));
}

} // namespace

SimServer::SimServer(SimulatedMachine& machine, ServerOptions options)
    : machine_(machine), options_(std::move(options)) {
    savedGeneration_ = machine_.stateGeneration();
    savedImages_ = machine_.firmwareImagesCompleted();
}

SimServer::~SimServer() {
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(options_.socketPath.c_str());
    }
}

bool SimServer::open(std::string& error) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (options_.socketPath.empty() || options_.socketPath.size() >= sizeof addr.sun_path) {
        error = "socket path is empty or too long";
        return false;
    }
    std::memcpy(addr.sun_path, options_.socketPath.c_str(), options_.socketPath.size() + 1);

    struct stat st {};
    if (::lstat(options_.socketPath.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = options_.socketPath + " exists and is not a socket";
            return false;
        }
        // A socket nobody answers on is left over from an earlier run.
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool live =
            probe >= 0 && ::connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        if (probe >= 0) {
            ::close(probe);
        }
        if (live) {
            error = "another server is serving " + options_.socketPath;
            return false;
        }
        ::unlink(options_.socketPath.c_str());
    }

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = std::string("bind: ") + std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (::listen(fd, 8) != 0) {
        error = std::string("listen: ") + std::strerror(errno);
        ::close(fd);
        ::unlink(options_.socketPath.c_str());
        return false;
    }
    listenFd_ = fd;
    return true;
}

void SimServer::run(int stopFd) {
    stopFd_ = stopFd;
    while (!stopping_) {
        pollfd p[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const std::optional<uint32_t> due = machine_.msUntilPollDue();
        const int timeout = due ? ClampMs(uint64_t(*due) + 1) : -1;
        const int r = ::poll(p, 2, timeout);
        if (r < 0 && errno != EINTR) {
            break;
        }
        idleWork();
        if (r > 0 && p[1].revents) {
            break;
        }
        if (r > 0 && (p[0].revents & POLLIN)) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                serve(fd);
                ::close(fd);
                idleWork();
            }
        }
    }
    idleWork();
}

void SimServer::idleWork() {
    machine_.poll();
    saveIfChanged();
}

void SimServer::saveIfChanged() {
    const uint64_t generation = machine_.stateGeneration();
    if (generation != savedGeneration_) {
        savedGeneration_ = generation;
        if (!options_.stateFile.empty()) {
            SaveState(machine_, options_.stateFile);
        }
    }
    const int images = machine_.firmwareImagesCompleted();
    if (images != savedImages_) {
        savedImages_ = images;
        if (!options_.firmwareFile.empty()) {
            const std::vector<uint8_t> image = machine_.firmwareImage();
            WriteFileAtomically(options_.firmwareFile, std::string(image.begin(), image.end()));
        }
    }
}

SimServer::Wait SimServer::waitReadable(int fd, int timeoutMs) {
    const int64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        const int64_t left = std::max<int64_t>(0, deadline - NowMs());
        // Wake up for the machine's own business (the end of an image) too.
        int timeout = int(std::min<int64_t>(left, 0x7FFFFFFF));
        if (const std::optional<uint32_t> due = machine_.msUntilPollDue()) {
            timeout = std::min(timeout, ClampMs(uint64_t(*due) + 1));
        }
        pollfd p[2] = {{fd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int r = ::poll(p, 2, timeout);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0) {
            return Wait::Closed;
        }
        if (r > 0 && p[1].revents) {
            stopping_ = true;
            return Wait::Stop;
        }
        if (r > 0 && p[0].revents) {
            return (p[0].revents & POLLIN) ? Wait::Ready : Wait::Closed;
        }
        idleWork();
        if (NowMs() >= deadline) {
            return Wait::TimedOut;
        }
    }
}

bool SimServer::recvAll(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t r = ::recv(fd, p, n, 0);
        if (r > 0) {
            p += r;
            n -= size_t(r);
            continue;
        }
        if (r == 0) {
            return false;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return false;
        }
        const int64_t left = requestDeadline_ - NowMs();
        if (left <= 0 || waitReadable(fd, ClampMs(uint64_t(left))) != Wait::Ready) {
            return false; // a client that stalls inside a request loses its turn
        }
    }
    return true;
}

bool SimServer::discard(int fd, uint64_t n) {
    uint8_t sink[4096];
    while (n > 0) {
        const size_t chunk = size_t(std::min<uint64_t>(n, sizeof sink));
        if (!recvAll(fd, sink, chunk)) {
            return false;
        }
        n -= chunk;
    }
    return true;
}

bool SimServer::sendAll(int fd, const uint8_t* p, size_t n) {
    const int64_t deadline = requestDeadline_;
    while (n > 0) {
        const ssize_t r = ::send(fd, p, n, MSG_NOSIGNAL);
        if (r > 0) {
            p += r;
            n -= size_t(r);
            continue;
        }
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const int64_t left = deadline - NowMs();
            pollfd q{fd, POLLOUT, 0};
            if (left <= 0 || ::poll(&q, 1, int(left)) <= 0 || !(q.revents & POLLOUT)) {
                return false;
            }
            continue;
        }
        return false;
    }
    return true;
}

void SimServer::serve(int fd) {
    while (!stopping_) {
        if (waitReadable(fd, ClampMs(options_.idleConnectionMs)) != Wait::Ready) {
            return;
        }
        requestDeadline_ = NowMs() + options_.requestTimeoutMs;
        uint8_t op = 0;
        const ssize_t r = ::recv(fd, &op, 1, 0);
        if (r == 0) {
            return;
        }
        if (r < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            return;
        }
        bool ok = false;
        switch (op) {
        case platform::vdev::kWrite:
            ok = handleWrite(fd);
            break;
        case platform::vdev::kRead:
            ok = handleRead(fd);
            break;
        case platform::vdev::kControl:
            ok = handleControl(fd);
            break;
        default:
            ok = false; // not a request: the connection ends
            break;
        }
        saveIfChanged();
        if (!ok) {
            return;
        }
    }
}

bool SimServer::handleWrite(int fd) {
    uint8_t head[4];
    if (!recvAll(fd, head, sizeof head)) {
        return false;
    }
    uint64_t left = GetU32(head);
    uint64_t accepted = 0;
    bool refusing = false;
    std::vector<uint8_t> slice;
    while (left > 0) {
        const size_t n = size_t(std::min<uint64_t>(left, kMaxWriteSlice));
        if (refusing) {
            if (!discard(fd, n)) {
                return false;
            }
        } else {
            slice.resize(n);
            if (!recvAll(fd, slice.data(), n)) {
                return false;
            }
            const long took = machine_.write(slice.data(), n);
            accepted += uint64_t(std::max(0L, took));
            // What the machine refused is gone; the rest of the write too.
            refusing = took < long(n);
        }
        left -= n;
    }
    uint8_t reply[5] = {platform::vdev::kWriteReply};
    PutU32(reply + 1, uint32_t(accepted));
    return sendAll(fd, reply, sizeof reply);
}

bool SimServer::handleRead(int fd) {
    uint8_t head[8];
    if (!recvAll(fd, head, sizeof head)) {
        return false;
    }
    const uint32_t most = GetU32(head);
    // An endless wait would keep every other client out.
    const uint32_t wait = std::min(GetU32(head + 4), options_.readWaitCapMs);
    const int64_t deadline = NowMs() + wait;
    requestDeadline_ += wait;
    // Wait for the first readable byte, at most the time the client allows.
    for (;;) {
        const std::optional<uint32_t> due = machine_.msUntilAnswer();
        if (most == 0 || (due && *due == 0)) {
            break;
        }
        const int64_t left = deadline - NowMs();
        if (left <= 0) {
            break;
        }
        const int timeout = due ? int(std::min<int64_t>(left, int64_t(*due))) : int(left);
        // The client says nothing while it waits; anything from it (or its
        // hang-up) ends the wait.
        const Wait w = waitReadable(fd, timeout);
        if (w == Wait::Stop) {
            return false;
        }
        if (w == Wait::Closed) {
            return false;
        }
        if (w == Wait::Ready) {
            uint8_t peek;
            if (::recv(fd, &peek, 1, MSG_PEEK) == 0) {
                return false;
            }
            break;
        }
    }
    const size_t room = std::min<size_t>(most, machine_.queuedAnswerBytes());
    std::vector<uint8_t> out(5 + room);
    const long got = room > 0 ? machine_.read(out.data() + 5, room) : 0;
    const size_t k = size_t(std::max(0L, got));
    out[0] = platform::vdev::kReadReply;
    PutU32(out.data() + 1, uint32_t(k));
    return sendAll(fd, out.data(), 5 + k);
}

bool SimServer::handleControl(int fd) {
    uint8_t head[8];
    if (!recvAll(fd, head, sizeof head)) {
        return false;
    }
    const uint32_t code = GetU32(head);
    const uint32_t n = GetU32(head + 4);
    std::vector<uint8_t> input(std::min<size_t>(n, kMaxControlInput));
    if (!recvAll(fd, input.data(), input.size()) || !discard(fd, n - input.size())) {
        return false;
    }
    const bool done = machine_.deviceControl(code, input.data(), input.size());
    const uint8_t reply[2] = {platform::vdev::kControlReply, uint8_t(done ? 1 : 0)};
    return sendAll(fd, reply, sizeof reply);
}

} // namespace sim
