#include "platform/debug_output.h"

#include <atomic>
#include <cerrno>
#include <unistd.h>

namespace platform {

namespace {

StderrDebugSink& RealSink() {
    static StderrDebugSink sink;
    return sink;
}

// Process-wide by nature: the seam is installed once for the program and its
// stand-in libraries, which reach it from their own shared objects.
std::atomic<DebugSink*> installedSink{nullptr};

} // namespace

StderrDebugSink::StderrDebugSink() : FdDebugSink(STDERR_FILENO) {}

void FdDebugSink::write(std::string_view text) {
    // Straight to the descriptor: no buffering, no translation of "\r" or "\n".
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return; // the trace's end is gone: a trace is not worth failing for
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

std::string CapturingDebugSink::joined() const {
    std::string all;
    for (const auto& line : lines) {
        all += line;
    }
    return all;
}

DebugSink* InstallDebugSink(DebugSink* sink) {
    return installedSink.exchange(sink);
}

void OutputDebugString(std::string_view text) {
    DebugSink* sink = installedSink.load();
    (sink ? *sink : RealSink()).write(text);
}

} // namespace platform
