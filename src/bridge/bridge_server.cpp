#include "bridge/bridge_server.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <poll.h>
#include <unistd.h>
#include <vector>

#include "platform/deadline.h"
#include "platform/device.h"
#include "platform/real_device.h"
#include "platform/remote_device.h"
#include "platform/virtual_device.h"

namespace bridge {

namespace {

using platform::vdev::GetU32;
using platform::vdev::PutU32;

// As the simulated machine's daemon: a request must arrive whole within
// this, and no read waits longer.
constexpr uint32_t kRequestMs = 10000;
constexpr uint32_t kMaxWaitMs = 10000;
constexpr uint32_t kMaxWrite = 16u << 20;
constexpr uint32_t kMaxRead = 64u << 10;
constexpr uint32_t kMaxControl = 4096;
constexpr uint32_t kWriteMs = 5000;

class Connection {
  public:
    Connection(int in, int out, const volatile std::sig_atomic_t& stop)
        : in_(in), out_(out), stop_(stop) {}

    // Waits for the next request's first byte without a limit (the panel
    // may sit idle for hours); false at the end of the input or on a signal.
    bool next(uint8_t& byte) {
        for (;;) {
            if (stop_) {
                return false;
            }
            pollfd p{in_, POLLIN, 0};
            // Short polls: a signal between the check and the wait is seen.
            const int r = ::poll(&p, 1, 200);
            if (r < 0 && errno != EINTR) {
                return false;
            }
            if (r > 0) {
                return receive(&byte, 1);
            }
        }
    }

    bool receive(uint8_t* p, size_t n) {
        const platform::SteadyTime deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestMs);
        while (n > 0) {
            if (stop_) {
                return false;
            }
            const ssize_t r = ::read(in_, p, n);
            if (r > 0) {
                p += r;
                n -= static_cast<size_t>(r);
                continue;
            }
            if (r == 0 || (errno != EINTR && errno != EAGAIN)) {
                return false;
            }
            pollfd w{in_, POLLIN, 0};
            if (::poll(&w, 1, std::min(platform::MsLeft(deadline), 200)) == 0 &&
                platform::MsLeft(deadline) == 0) {
                return false;
            }
        }
        return true;
    }

    bool send(const uint8_t* p, size_t n) {
        while (n > 0) {
            const ssize_t r = ::write(out_, p, n);
            if (r > 0) {
                p += r;
                n -= static_cast<size_t>(r);
            } else if (r < 0 && errno != EINTR) {
                return false;
            }
        }
        return true;
    }

  private:
    int in_;
    int out_;
    const volatile std::sig_atomic_t& stop_;
};

bool Reply(Connection& c, uint8_t kind, uint32_t value, const uint8_t* data = nullptr,
           size_t size = 0) {
    uint8_t head[5] = {kind};
    PutU32(head + 1, value);
    return c.send(head, sizeof head) && c.send(data, size);
}

} // namespace

bool Greet(int out, uint8_t status, const std::string& text) {
    const volatile std::sig_atomic_t never = 0;
    Connection c(-1, out, never);
    const std::string line = text.substr(0, platform::bridge::kMaxText);
    uint8_t head[6] = {platform::bridge::kHello, status};
    PutU32(head + 2, static_cast<uint32_t>(line.size()));
    return c.send(head, sizeof head) &&
           c.send(reinterpret_cast<const uint8_t*>(line.data()), line.size());
}

void Serve(int in, int out, const std::string& device, const volatile std::sig_atomic_t& stop) {
    namespace wire = platform::vdev;
    namespace b = platform::bridge;
    Connection c(in, out, stop);
    std::unique_ptr<platform::Device> open;
    std::vector<uint8_t> data;
    uint8_t kind = 0;
    while (c.next(kind)) {
        if (kind == b::kOpen) {
            uint8_t mode = 0;
            if (!c.receive(&mode, 1)) {
                return;
            }
            open.reset(); // one device at a time, as the link uses it
            open = platform::OpenDevice(device, {.read = (mode & b::kModeRead) != 0,
                                                 .write = (mode & b::kModeWrite) != 0,
                                                 .shared = (mode & b::kModeShared) != 0});
            const uint8_t reply[2] = {b::kOpenReply, !open                          ? b::kNotOpened
                                                     : platform::RealDeviceOpened() ? b::kOpenedReal
                                                                                    : b::kOpened};
            if (!c.send(reply, sizeof reply)) {
                return;
            }
        } else if (kind == b::kClose) {
            open.reset();
        } else if (kind == wire::kWrite) {
            uint8_t n[4];
            if (!c.receive(n, 4) || GetU32(n) > kMaxWrite) {
                return;
            }
            data.resize(GetU32(n));
            if (!c.receive(data.data(), data.size())) {
                return;
            }
            long accepted = 0;
            if (open) {
                platform::CommTimeouts t;
                open->getCommTimeouts(t);
                t.writeTotalTimeoutMultiplier = 0;
                t.writeTotalTimeoutConstant = kWriteMs;
                open->setCommTimeouts(t);
                accepted = std::clamp<long>(open->write(data.data(), data.size()), 0,
                                            static_cast<long>(data.size()));
            }
            if (!Reply(c, wire::kWriteReply, static_cast<uint32_t>(accepted))) {
                return;
            }
        } else if (kind == wire::kRead) {
            uint8_t args[8];
            if (!c.receive(args, 8)) {
                return;
            }
            const uint32_t most = std::min(GetU32(args), kMaxRead);
            const uint32_t wait = std::min(GetU32(args + 4), kMaxWaitMs);
            data.resize(most);
            long got = 0;
            if (open && most > 0) {
                platform::CommTimeouts t;
                open->getCommTimeouts(t);
                if (wait == 0) {
                    t = platform::WithReadsAtOnce(t);
                } else {
                    t.readIntervalTimeout = 0;
                    t.readTotalTimeoutMultiplier = 0;
                    t.readTotalTimeoutConstant = wait;
                }
                open->setCommTimeouts(t);
                got = std::clamp<long>(open->read(data.data(), most), 0, most);
            }
            if (!Reply(c, wire::kReadReply, static_cast<uint32_t>(got), data.data(),
                       static_cast<size_t>(got))) {
                return;
            }
        } else if (kind == wire::kControl) {
            uint8_t args[8];
            if (!c.receive(args, 8) || GetU32(args + 4) > kMaxControl) {
                return;
            }
            data.resize(GetU32(args + 4));
            if (!c.receive(data.data(), data.size())) {
                return;
            }
            const bool done =
                open && open->deviceControl(GetU32(args), data.data(), data.size(), nullptr, 0);
            const uint8_t reply[2] = {wire::kControlReply, static_cast<uint8_t>(done ? 1 : 0)};
            if (!c.send(reply, sizeof reply)) {
                return;
            }
        } else {
            return; // not our protocol
        }
    }
}

} // namespace bridge
