// The simulated machine's socket server: the request parser of the virtual
// device protocol. Input: the bytes a client sends on one connection. The
// server runs in a thread of this process on a socket in a temporary folder;
// each input is one connection to a machine in its default state. Every reply
// that comes back must be well formed.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "fuzz_machine.h"
#include "platform/virtual_device.h"
#include "sim/sim_server.h"
#include "sim/simulated_machine.h"

namespace {

struct Served {
    std::string directory;
    std::string socketPath;
    sim::SimulatedMachine machine;
    sim::SimServer* server = nullptr;
    std::thread thread;
    int stop[2] = {-1, -1};
};

Served* served = nullptr;

void StopServer() {
    if (served == nullptr) {
        return;
    }
    const char c = 1;
    if (::write(served->stop[1], &c, 1) == 1 && served->thread.joinable()) {
        served->thread.join();
    }
    delete served->server; // removes the socket
    ::rmdir(served->directory.c_str());
}

Served& Server() {
    if (served != nullptr) {
        return *served;
    }
    served = new Served;
    std::string pattern = fuzz::TempBase() + "/faxrcp-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr || ::pipe(served->stop) != 0) {
        fuzz::Fail("no temporary folder or pipe");
    }
    served->directory = pattern.c_str();
    served->socketPath = served->directory + "/machine.sock";
    sim::ServerOptions options;
    options.socketPath = served->socketPath;
    served->server = new sim::SimServer(served->machine, options);
    std::string error;
    if (!served->server->open(error)) {
        fuzz::Fail(error.c_str());
    }
    served->thread = std::thread([] { served->server->run(served->stop[0]); });
    std::atexit(StopServer);
    return *served;
}

int Connect(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        fuzz::Fail("no socket");
    }
    int r = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    if (r != 0 && errno == EINTR) {
        // Interrupted by libFuzzer's timer: the connection goes on by itself.
        pollfd p{fd, POLLOUT, 0};
        while ((r = ::poll(&p, 1, 30000)) < 0 && errno == EINTR) {
        }
        int error = 0;
        socklen_t length = sizeof error;
        r = r > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0
                ? 0
                : -1;
    }
    if (r != 0) {
        fuzz::Fail("cannot connect to the server");
    }
    return fd;
}

// Sends everything, then half-closes; reads every reply until the server
// closes the connection. Both at once, so that neither side stalls on a full
// socket buffer.
std::vector<uint8_t> Converse(int fd, const uint8_t* data, size_t size) {
    std::vector<uint8_t> replies;
    size_t sent = 0;
    bool halfClosed = false;
    int quietSeconds = 0;
    for (;;) {
        if (sent == size && !halfClosed) {
            ::shutdown(fd, SHUT_WR);
            halfClosed = true;
        }
        pollfd p{fd, short(POLLIN | (halfClosed ? 0 : POLLOUT)), 0};
        const int r = ::poll(&p, 1, 1000);
        if (r < 0 && errno == EINTR) {
            continue; // libFuzzer's timer signal
        }
        if (r <= 0) {
            if (r == 0 && ++quietSeconds < 30) {
                continue;
            }
            fuzz::Fail("the server stopped answering");
        }
        quietSeconds = 0;
        if (p.revents & POLLIN) {
            uint8_t buffer[65536];
            const ssize_t r = ::recv(fd, buffer, sizeof buffer, 0);
            if (r == 0 || (r < 0 && errno != EINTR && errno != EAGAIN)) {
                break;
            }
            if (r > 0) {
                replies.insert(replies.end(), buffer, buffer + r);
            }
        } else if (p.revents & (POLLHUP | POLLERR)) {
            break;
        }
        if (!halfClosed && (p.revents & POLLOUT)) {
            const ssize_t w = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (w > 0) {
                sent += size_t(w);
            } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
                sent = size; // the server hung up; keep reading what it said
            }
        }
    }
    return replies;
}

// 'w' u32 | 'r' u32 k bytes[k] | 'c' 0|1, nothing else, nothing cut short.
void CheckReplies(const std::vector<uint8_t>& r) {
    size_t i = 0;
    while (i < r.size()) {
        const uint8_t op = r[i];
        if (op == platform::vdev::kWriteReply && r.size() - i >= 5) {
            i += 5;
        } else if (op == platform::vdev::kReadReply && r.size() - i >= 5 &&
                   r.size() - i - 5 >= platform::vdev::GetU32(&r[i + 1])) {
            i += 5 + platform::vdev::GetU32(&r[i + 1]);
        } else if (op == platform::vdev::kControlReply && r.size() - i >= 2 && r[i + 1] <= 1) {
            i += 2;
        } else {
            fuzz::Fail("the server sent a malformed reply");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Served& s = Server();
    s.machine.reset();
    const int fd = Connect(s.socketPath);
    const std::vector<uint8_t> replies = Converse(fd, data, size);
    ::close(fd);
    CheckReplies(replies);
    return 0;
}
