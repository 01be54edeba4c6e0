#include "platform/char_device.h"
#include "platform/deadline.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr uint32_t kForever = 0xFFFFFFFFu; // the host's MAXDWORD

uint64_t TotalMs(uint32_t multiplier, uint32_t constant, size_t count) {
    const uint64_t total = static_cast<uint64_t>(multiplier) * count + constant;
    return std::min<uint64_t>(total, 0x7FFFFFFF);
}

// A short real pause for when poll() says ready and the transfer still finds
// nothing to do (drivers without poll support always say ready): keeps that
// loop off the processor, backing off from 1 to 8 ms.
void Breathe(int& round) {
    ::poll(nullptr, 0, 1 << std::min(round, 3));
    ++round;
}

} // namespace

long WriteWithoutSigpipe(int fd, const void* data, size_t count) {
    sigset_t pipeOnly;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;

    sigset_t old;
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &old);
    const ssize_t n = ::write(fd, data, count);
    const int err = errno;
    if (n < 0 && err == EPIPE && !alreadyPending) {
        const timespec zero{0, 0};
        while (sigtimedwait(&pipeOnly, nullptr, &zero) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = err;
    return static_cast<long>(n);
}

int CharDevice::OpenDescriptor(const std::string& path, const OpenMode& mode) {
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) {
        return -1;
    }
    int access = O_RDONLY;
    if (mode.read && mode.write) {
        access = O_RDWR;
    } else if (mode.write) {
        access = O_WRONLY;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), access | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    // Sharing as the host does it: an exclusive open excludes every other open,
    // a shared one only exclusive ones.
    if (::flock(fd, (mode.shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::unique_ptr<CharDevice> CharDevice::Open(const std::string& path, const OpenMode& mode) {
    const int fd = OpenDescriptor(path, mode);
    if (fd < 0) {
        return nullptr;
    }
    return std::unique_ptr<CharDevice>(new CharDevice(fd));
}

CharDevice::~CharDevice() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

long CharDevice::read(uint8_t* data, size_t count) {
    if (count == 0) {
        return 0;
    }
    if (!data) {
        return -1;
    }
    const CommTimeouts t = timeouts_;
    // The host's rules: a total time-out of multiplier * count + constant; an
    // interval time-out between bytes once the first has come; MAXDWORD as
    // interval means "return what is there", with a total only when the
    // multiplier is MAXDWORD too.
    uint64_t total;
    bool returnOnData = t.readIntervalTimeout == kForever;
    if (returnOnData && t.readTotalTimeoutMultiplier == kForever) {
        total = std::min<uint64_t>(t.readTotalTimeoutConstant, 0x7FFFFFFF);
    } else {
        total = TotalMs(t.readTotalTimeoutMultiplier, t.readTotalTimeoutConstant, count);
        if (total == 0 && !returnOnData) {
            total = kDefaultReadTotalMs; // never wait for ever
        }
    }
    const bool useInterval = !returnOnData && t.readIntervalTimeout != 0;
    const SteadyTime deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(total);

    size_t got = 0;
    int idle = 0;
    for (;;) {
        int wait = MsLeft(deadline);
        if (got > 0 && returnOnData) {
            wait = 0;
        } else if (got > 0 && useInterval) {
            wait = std::min<int>(
                wait, static_cast<int>(std::min<uint32_t>(t.readIntervalTimeout, 0x7FFFFFFF)));
        }
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0) {
            if (errno == EINTR) {
                continue;
            }
            return got > 0 ? static_cast<long>(got) : -1;
        }
        if (r == 0) {
            return static_cast<long>(got); // a time-out: what came so far
        }
        if (p.revents & POLLNVAL) {
            return got > 0 ? static_cast<long>(got) : -1;
        }
        const ssize_t n = ::read(fd_, data + got, count - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
            idle = 0;
            if (got == count) {
                return static_cast<long>(got);
            }
            continue;
        }
        if (n == 0) {
            return static_cast<long>(got); // end of file: nothing more will come
        }
        if (errno == EAGAIN || errno == EINTR) {
            if (MsLeft(deadline) == 0) {
                return static_cast<long>(got);
            }
            Breathe(idle);
            continue;
        }
        return got > 0 ? static_cast<long>(got) : -1;
    }
}

long CharDevice::write(const uint8_t* data, size_t count) {
    if (count == 0) {
        return 0;
    }
    if (!data) {
        return -1;
    }
    uint64_t total =
        TotalMs(timeouts_.writeTotalTimeoutMultiplier, timeouts_.writeTotalTimeoutConstant, count);
    if (total == 0) {
        total = kDefaultWriteTotalMs;
    }
    const SteadyTime deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(total);
    size_t sent = 0;
    int idle = 0;
    while (sent < count) {
        pollfd p{fd_, POLLOUT, 0};
        const int r = ::poll(&p, 1, MsLeft(deadline));
        if (r < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (r == 0) {
            break; // time-out: report what went out
        }
        if (p.revents & POLLNVAL) {
            return sent > 0 ? static_cast<long>(sent) : -1;
        }
        const long n = WriteWithoutSigpipe(fd_, data + sent, count - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            idle = 0;
            continue;
        }
        if (n == 0 || errno == EAGAIN || errno == EINTR) {
            if (MsLeft(deadline) == 0) {
                break;
            }
            Breathe(idle);
            continue;
        }
        return sent > 0 ? static_cast<long>(sent) : -1;
    }
    return static_cast<long>(sent);
}

bool CharDevice::deviceControl(uint32_t, const uint8_t*, size_t, uint8_t*, size_t) {
    return false;
}

} // namespace platform
