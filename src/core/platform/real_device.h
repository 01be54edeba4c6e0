#pragma once

namespace platform {

// Whether this process has opened a real device: a character device, a ppdev
// port or a USB interface (as opposed to the simulated machine, in-process or
// behind a Unix socket). Once one is open, the test conveniences (skipped
// waits, the automation socket) stay off for the rest of the run, whatever
// the environment says: a real machine must get every wait.
bool RealDeviceOpened();
void NoteRealDeviceOpened();

} // namespace platform
