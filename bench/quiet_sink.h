#pragma once
// Trace lines go where the program would send them, but to /dev/null: the
// cost of formatting and writing them stays in the measurement, the terminal
// stays clean.
#include <fcntl.h>
#include <unistd.h>

#include <string_view>

#include "platform/debug_output.h"

namespace bench {

class NullDeviceSink : public platform::DebugSink {
  public:
    NullDeviceSink() : fd_(::open("/dev/null", O_WRONLY | O_CLOEXEC)) {}
    ~NullDeviceSink() override { ::close(fd_); }
    void write(std::string_view text) override {
        if (::write(fd_, text.data(), text.size()) < 0) {
            return;
        }
    }

  private:
    int fd_;
};

} // namespace bench
