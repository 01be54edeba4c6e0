#pragma once
// Holding off the signals that end a program from a terminal or a session
// (interrupt, terminate, hang-up, quit) while something must not be cut
// short, such as a firmware image on its way to the machine.
#include <string_view>

namespace platform {

// While the object lives those signals do not end the process: the first
// one writes the notice (if any) to standard error, and Caught() says that
// one came. The earlier handling comes back when the object goes. One at a
// time per process.
class DeferredSignals {
  public:
    DeferredSignals();
    ~DeferredSignals();
    DeferredSignals(const DeferredSignals&) = delete;
    DeferredSignals& operator=(const DeferredSignals&) = delete;

    // The text the first signal writes; it may change while the object
    // lives (a time left that shrinks). Cut to 256 bytes.
    void SetNotice(std::string_view text);
    bool Caught() const;
};

} // namespace platform
