#pragma once
#include <csignal>
#include <string>

namespace bridge {

// Serves the device named device to the one client on in and out (the
// greeting already sent) until the client closes its side, breaks the
// protocol, or stop is set by a signal. Every request is answered within a
// bounded time; the device is opened for each open request and closed with
// it, never by a name the client sends.
void Serve(int in, int out, const std::string& device, const volatile std::sig_atomic_t& stop);

// Sends the greeting: status and one line of text.
bool Greet(int out, uint8_t status, const std::string& text);

} // namespace bridge
