#pragma once
#include <string>

namespace drivers {

// Names the machine's USB printer interface as "usb:VVVV:PPPP[:SERIAL]", or
// returns an empty text when none is attached. This is the seam for finding
// the first bidirectional printer-class interface with libusb.
std::string FindUsbControlPort();

} // namespace drivers
