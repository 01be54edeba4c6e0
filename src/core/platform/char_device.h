#pragma once
#include "platform/device.h"

#include <string>

namespace platform {

// A character device opened by path (a parallel port, a terminal, a FIFO).
// Reads and writes wait with poll() after the comm time-out rules, so no call
// blocks for longer than its time-outs allow; zeros mean the defaults below.
// Device controls are refused; devices that take them (ppdev) derive from
// this class and override deviceControl().
class CharDevice : public TimedDevice {
  public:
    // Used when the port keeps no total time-out of its own (all zeros).
    static constexpr uint32_t kDefaultReadTotalMs = 2000;
    static constexpr uint32_t kDefaultWriteTotalMs = 5000;

    // open(2) with O_NOCTTY | O_NONBLOCK, plus a non-blocking flock (exclusive
    // for an open that is not shared, else shared) so that opens that could
    // not share the device fail, as a sharing violation would. Returns -1 when
    // the path cannot be opened.
    static int OpenDescriptor(const std::string& path, const OpenMode& mode);
    static std::unique_ptr<CharDevice> Open(const std::string& path, const OpenMode& mode);

    ~CharDevice() override;
    CharDevice(const CharDevice&) = delete;
    CharDevice& operator=(const CharDevice&) = delete;

    long write(const uint8_t* data, size_t count) override;
    long read(uint8_t* data, size_t count) override;
    bool deviceControl(uint32_t code, const uint8_t* in, size_t inSize, uint8_t* out,
                       size_t outSize) override;

    int descriptor() const { return fd_; }

  protected:
    // Takes ownership of an open descriptor.
    explicit CharDevice(int fd) : fd_(fd) {}

  private:
    int fd_;
};

// write(2) that turns a closed reader into EPIPE instead of a SIGPIPE that
// would end the program.
long WriteWithoutSigpipe(int fd, const void* data, size_t count);

} // namespace platform
