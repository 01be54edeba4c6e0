#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The ppdev calls the ECP device needs, so tests can run them on a fake.
// Results: 0 or a negative errno; open gives a descriptor.
class PpdevBackend {
  public:
    virtual ~PpdevBackend() = default;
    virtual int open(const std::string& path) = 0;
    virtual void close(int fd) = 0;
    virtual int claim(int fd) = 0;
    virtual int release(int fd) = 0;
    virtual int setMode(int fd, int ieee1284Mode) = 0;
    virtual int negotiate(int fd, int ieee1284Mode) = 0;
    virtual int setDataDirection(int fd, bool reverse) = 0;
    virtual int setTimeout(int fd, uint32_t ms) = 0;
    // Bytes transferred, or a negative errno.
    virtual long read(int fd, uint8_t* data, size_t count) = 0;
    virtual long write(int fd, const uint8_t* data, size_t count) = 0;
};

// The real ppdev calls unless a test installed another.
PpdevBackend& CurrentPpdevBackend();
// nullptr puts the real calls back.
void InstallPpdevBackend(PpdevBackend* backend);

} // namespace platform
