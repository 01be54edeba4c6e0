#include "platform/ppdev_device.h"

#include <algorithm>
#include <cstring>

#include "platform/ppdev_backend.h"

namespace platform {
namespace {

constexpr int kModeNibble = 0x00; // IEEE1284_MODE_NIBBLE
constexpr int kModeByte = 0x01;   // IEEE1284_MODE_BYTE
constexpr int kModeEcp = 0x10;    // IEEE1284_MODE_ECP
constexpr uint32_t kDefaultTimeoutMs = 5000;
constexpr uint32_t kLongestTimeoutMs = 600000;
constexpr uint32_t kShortestTimeoutMs = 1;

class PpdevDevice : public TimedDevice {
  public:
    explicit PpdevDevice(int fd) : fd_(fd) {
        timeouts_.readTotalTimeoutConstant = kDefaultTimeoutMs;
        timeouts_.writeTotalTimeoutConstant = kDefaultTimeoutMs;
    }
    ~PpdevDevice() override {
        PpdevBackend& backend = CurrentPpdevBackend();
        backend.release(fd_);
        backend.close(fd_);
    }

    long write(const uint8_t* data, size_t count) override {
        PpdevBackend& backend = CurrentPpdevBackend();
        backend.setTimeout(fd_, total(timeouts_.writeTotalTimeoutMultiplier,
                                      timeouts_.writeTotalTimeoutConstant, count));
        long n = backend.write(fd_, data, count);
        return n < 0 ? -1 : std::min<long>(n, long(count));
    }

    long read(uint8_t* data, size_t count) override {
        PpdevBackend& backend = CurrentPpdevBackend();
        // The driver takes no time-out of 0: its shortest stands for "at once".
        backend.setTimeout(fd_, ReadsReturnAtOnce(timeouts_)
                                    ? kShortestTimeoutMs
                                    : total(timeouts_.readTotalTimeoutMultiplier,
                                            timeouts_.readTotalTimeoutConstant, count));
        long n = backend.read(fd_, data, count);
        return n < 0 ? -1 : std::min<long>(n, long(count));
    }

    bool deviceControl(uint32_t code, const uint8_t* in, size_t inSize, uint8_t*, size_t) override {
        PpdevBackend& backend = CurrentPpdevBackend();
        switch (code) {
        case kEcpSetHardwareMode:
            // Only the ECP hardware method exists on ppdev.
            if (inSize != 1 || !in || in[0] != 0) {
                return false;
            }
            return backend.setMode(fd_, kModeEcp) == 0;
        case kEcpNegotiate: {
            if (inSize != 1 || !in) {
                return false;
            }
            int mode = in[0];
            if (mode != kModeNibble && mode != kModeByte && mode != kModeEcp) {
                return false;
            }
            return backend.negotiate(fd_, mode) == 0;
        }
        case kEcpSetDirection: {
            if (inSize != 4 || !in) {
                return false;
            }
            uint32_t value;
            std::memcpy(&value, in, 4);
            return backend.setDataDirection(fd_, value == 0) == 0;
        }
        default:
            return false;
        }
    }

  private:
    static uint32_t total(uint32_t multiplier, uint32_t constant, size_t count) {
        uint64_t t = uint64_t(multiplier) * count + constant;
        t = std::min<uint64_t>(t, kLongestTimeoutMs);
        return t ? uint32_t(t) : kDefaultTimeoutMs;
    }

    int fd_;
};

} // namespace

std::unique_ptr<Device> OpenPpdevDevice(const std::string& path, const OpenMode&) {
    PpdevBackend& backend = CurrentPpdevBackend();
    int fd = backend.open(path);
    if (fd < 0) {
        return nullptr;
    }
    if (backend.claim(fd) != 0) {
        backend.close(fd);
        return nullptr;
    }
    return std::make_unique<PpdevDevice>(fd);
}

} // namespace platform
