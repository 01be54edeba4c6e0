#include "platform/ppdev_backend.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

int Ioctl(int fd, unsigned long request, void* arg) {
    return ::ioctl(fd, request, arg) == 0 ? 0 : -errno;
}

class RealPpdevBackend : public PpdevBackend {
  public:
    int open(const std::string& path) override {
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        return fd >= 0 ? fd : -errno;
    }
    void close(int fd) override { ::close(fd); }
    int claim(int fd) override { return Ioctl(fd, PPCLAIM, nullptr); }
    int release(int fd) override { return Ioctl(fd, PPRELEASE, nullptr); }
    int setMode(int fd, int mode) override { return Ioctl(fd, PPSETMODE, &mode); }
    int negotiate(int fd, int mode) override { return Ioctl(fd, PPNEGOT, &mode); }
    int setDataDirection(int fd, bool reverse) override {
        int dir = reverse ? 1 : 0;
        return Ioctl(fd, PPDATADIR, &dir);
    }
    int setTimeout(int fd, uint32_t ms) override {
        timeval tv{};
        tv.tv_sec = ms / 1000;
        tv.tv_usec = (ms % 1000) * 1000;
        return Ioctl(fd, PPSETTIME, &tv);
    }
    long read(int fd, uint8_t* data, size_t count) override {
        ssize_t n = ::read(fd, data, count);
        return n >= 0 ? long(n) : -errno;
    }
    long write(int fd, const uint8_t* data, size_t count) override {
        ssize_t n = ::write(fd, data, count);
        return n >= 0 ? long(n) : -errno;
    }
};

RealPpdevBackend realBackend;
// Process-wide by nature: the seam is installed once for the program and its
// stand-in libraries, which reach it from their own shared objects.
PpdevBackend* installed = nullptr;

} // namespace

PpdevBackend& CurrentPpdevBackend() {
    return installed ? *installed : realBackend;
}

void InstallPpdevBackend(PpdevBackend* backend) {
    installed = backend;
}

} // namespace platform
