#include "platform/virtual_device.h"
#include "platform/deadline.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Time a device gets beyond the wait it was asked to honour before its
// silence counts as a broken connection.
constexpr uint32_t kReplyMarginMs = 2000;
constexpr uint32_t kDefaultWriteMs = 5000;
constexpr uint32_t kControlMs = 5000;
constexpr uint32_t kConnectMs = 2000;

SteadyTime After(uint64_t ms) {
    return std::chrono::steady_clock::now() +
           std::chrono::milliseconds(std::min<uint64_t>(ms, 0x7FFFFFFF));
}

// Waits for events on fd until deadline; false on time-out, hang-up or error.
bool WaitFor(int fd, short events, SteadyTime deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, MsLeft(deadline));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            return false;
        }
        if (p.revents & events) {
            return true;
        }
        return false; // POLLERR, POLLHUP without data, POLLNVAL
    }
}

class VirtualDevice : public TimedDevice {
  public:
    explicit VirtualDevice(int fd) : fd_(fd), channel_(fd) {}
    ~VirtualDevice() override { ::close(fd_); }
    VirtualDevice(const VirtualDevice&) = delete;
    VirtualDevice& operator=(const VirtualDevice&) = delete;

    long write(const uint8_t* data, size_t count) override {
        return channel_.write(data, count, timeouts_, 0);
    }
    long read(uint8_t* data, size_t count) override {
        return channel_.read(data, count, timeouts_, 0);
    }
    bool deviceControl(uint32_t code, const uint8_t* in, size_t inSize, uint8_t*, size_t) override {
        return channel_.control(code, in, inSize, 0);
    }

  private:
    int fd_;
    VdevChannel channel_;
};

} // namespace

long VdevChannel::write(const uint8_t* data, size_t count, const CommTimeouts& timeouts,
                        uint32_t extraMs) {
    if (broken_ || (!data && count > 0)) {
        return -1;
    }
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(count, 0xFFFFFFFFu));
    uint64_t total = static_cast<uint64_t>(timeouts.writeTotalTimeoutMultiplier) * n +
                     timeouts.writeTotalTimeoutConstant;
    if (total == 0) {
        total = kDefaultWriteMs;
    }
    const SteadyTime deadline = After(total + kReplyMarginMs + extraMs);
    uint8_t head[5] = {vdev::kWrite};
    vdev::PutU32(head + 1, n);
    uint8_t reply[5];
    if (!sendUntil(head, sizeof head, deadline) || !sendUntil(data, n, deadline) ||
        !recvUntil(reply, sizeof reply, deadline) || reply[0] != vdev::kWriteReply) {
        return fail();
    }
    const uint32_t accepted = vdev::GetU32(reply + 1);
    if (accepted > n) {
        return fail(); // a device cannot take more than it was offered
    }
    return static_cast<long>(accepted);
}

long VdevChannel::read(uint8_t* data, size_t count, const CommTimeouts& timeouts,
                       uint32_t extraMs) {
    if (broken_ || (!data && count > 0)) {
        return -1;
    }
    if (count == 0) {
        return 0;
    }
    const uint32_t most = static_cast<uint32_t>(std::min<size_t>(count, 0x7FFFFFFFu));
    uint32_t wait = timeouts.readTotalTimeoutConstant != 0 ? timeouts.readTotalTimeoutConstant
                                                           : vdev::kDefaultReadWaitMs;
    if (ReadsReturnAtOnce(timeouts)) {
        wait = 0;
    }
    const SteadyTime deadline = After(static_cast<uint64_t>(wait) + kReplyMarginMs + extraMs);
    uint8_t request[9] = {vdev::kRead};
    vdev::PutU32(request + 1, most);
    vdev::PutU32(request + 5, wait);
    uint8_t reply[5];
    if (!sendUntil(request, sizeof request, deadline) ||
        !recvUntil(reply, sizeof reply, deadline) || reply[0] != vdev::kReadReply) {
        return fail();
    }
    const uint32_t k = vdev::GetU32(reply + 1);
    if (k > most) {
        return fail(); // more than asked for would overrun the caller's buffer
    }
    if (!recvUntil(data, k, deadline)) {
        return fail();
    }
    return static_cast<long>(k);
}

bool VdevChannel::control(uint32_t code, const uint8_t* in, size_t inSize, uint32_t extraMs) {
    if (broken_ || (!in && inSize > 0) || inSize > 0xFFFFFFFFu) {
        return false;
    }
    const SteadyTime deadline = After(kControlMs + extraMs);
    uint8_t head[9] = {vdev::kControl};
    vdev::PutU32(head + 1, code);
    vdev::PutU32(head + 5, static_cast<uint32_t>(inSize));
    uint8_t reply[2];
    if (!sendUntil(head, sizeof head, deadline) || !sendUntil(in, inSize, deadline) ||
        !recvUntil(reply, sizeof reply, deadline) || reply[0] != vdev::kControlReply) {
        fail();
        return false;
    }
    return reply[1] == 1;
}

long VdevChannel::fail() {
    broken_ = true;
    ::shutdown(fd_, SHUT_RDWR);
    return -1;
}

bool VdevChannel::sendAll(const uint8_t* p, size_t n, uint32_t withinMs) {
    return !broken_ && sendUntil(p, n, After(withinMs));
}

bool VdevChannel::recvAll(uint8_t* p, size_t n, uint32_t withinMs) {
    return !broken_ && recvUntil(p, n, After(withinMs));
}

bool VdevChannel::sendUntil(const uint8_t* p, size_t n, SteadyTime deadline) {
    while (n > 0) {
        const ssize_t r = ::send(fd_, p, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (r > 0) {
            p += r;
            n -= static_cast<size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0 && errno == EAGAIN) {
            if (!WaitFor(fd_, POLLOUT, deadline)) {
                return false;
            }
            continue;
        }
        return false;
    }
    return true;
}

bool VdevChannel::recvUntil(uint8_t* p, size_t n, SteadyTime deadline) {
    while (n > 0) {
        const ssize_t r = ::recv(fd_, p, n, MSG_DONTWAIT);
        if (r > 0) {
            p += r;
            n -= static_cast<size_t>(r);
            continue;
        }
        if (r == 0) {
            return false; // the device hung up
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN) {
            if (!WaitFor(fd_, POLLIN, deadline)) {
                return false;
            }
            continue;
        }
        return false;
    }
    return true;
}

std::unique_ptr<Device> OpenVirtualDevice(const std::string& path, const OpenMode&) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path ||
        path.find('\0') != std::string::npos) {
        return nullptr;
    }
    std::memcpy(addr.sun_path, path.data(), path.size());

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return nullptr;
    }
    const SteadyTime deadline = After(kConnectMs);
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
            break;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN && MsLeft(deadline) > 0) {
            ::poll(nullptr, 0, 5); // the listener's backlog is full: give it a moment
            continue;
        }
        if (errno == EINPROGRESS && WaitFor(fd, POLLOUT, deadline)) {
            int err = 0;
            socklen_t len = sizeof err;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) {
                break;
            }
        }
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<VirtualDevice>(fd);
}

} // namespace platform
