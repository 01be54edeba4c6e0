#include "platform/real_device.h"

#include <atomic>

namespace platform {

namespace {

// Process-wide by nature: once a real machine was reached, no later open of a
// simulated one may turn the test conveniences back on.
std::atomic<bool> realDeviceOpened{false};

} // namespace

bool RealDeviceOpened() {
    return realDeviceOpened.load();
}

void NoteRealDeviceOpened() {
    realDeviceOpened.store(true);
}

} // namespace platform
