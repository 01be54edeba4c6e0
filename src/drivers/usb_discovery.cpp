#include "drivers/usb_discovery.h"

namespace drivers {

// No discovery yet: without FAXRCP_USB_PORT the library names no port, so the
// program falls back to the parallel port.
std::string FindUsbControlPort() {
    return {};
}

} // namespace drivers
