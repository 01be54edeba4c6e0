#pragma once
// Points the link's USB port (without the USB library) at a device name, with
// the link's state fresh: "sim:" is the simulated machine in this process.
#include <cstdio>

#include "link/port.h"
#include "model/panel_context.h"

inline void PointUsbPortAt(const char* name) {
    panelContext.link.Reset();
    currentPort = 0;
    std::snprintf(usbWritePath, sizeof usbWritePath, "%s", name);
    std::snprintf(usbReadPath, sizeof usbReadPath, "%s", name);
}
