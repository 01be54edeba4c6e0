#include "platform/deferred_signals.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::array<int, 4> kSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Shared with the handler, which may only read plain data: two notices, the
// one in force named by an index flipped once the other is written whole.
struct Notice {
    char text[256];
    volatile sig_atomic_t length;
};
Notice notices[2];
volatile sig_atomic_t current = 0;
volatile sig_atomic_t caught = 0;
std::array<struct sigaction, kSignals.size()> earlier{};

void OnSignal(int) {
    if (caught != 0) {
        return;
    }
    caught = 1;
    const Notice& notice = notices[current];
    const int savedErrno = errno;
    const char* p = notice.text;
    ssize_t left = notice.length;
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, p, static_cast<size_t>(left));
        if (n <= 0 && errno != EINTR) {
            break;
        }
        if (n > 0) {
            p += n;
            left -= n;
        }
    }
    errno = savedErrno;
}

} // namespace

DeferredSignals::DeferredSignals() {
    caught = 0;
    notices[0].length = 0;
    notices[1].length = 0;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &action, &earlier[i]);
    }
}

DeferredSignals::~DeferredSignals() {
    for (size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &earlier[i], nullptr);
    }
}

void DeferredSignals::SetNotice(std::string_view text) {
    Notice& spare = notices[1 - current];
    const size_t length = std::min(text.size(), sizeof spare.text);
    std::memcpy(spare.text, text.data(), length);
    spare.length = static_cast<sig_atomic_t>(length);
    current = 1 - current;
}

bool DeferredSignals::Caught() const {
    return caught != 0;
}

} // namespace platform
