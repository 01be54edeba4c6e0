#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/usb_backend.h"

namespace platform {

// What an IEEE 1284 device ID says of the machine.
struct DeviceIdFields {
    std::string maker;  // MFG or MANUFACTURER
    std::string model;  // MDL or MODEL
    std::string serial; // SN or SERIALNUMBER
};

// The kernel printer driver keeps at most this much of a device ID.
constexpr size_t kDeviceIdLimit = 1024;
// Longest maker, model or serial kept: enough for any real one, short enough
// for one line of a list.
constexpr size_t kFieldLimit = 64;

// Parses "KEY:value;KEY:value;..." from the first kDeviceIdLimit bytes. Keys
// compare without regard to case or surrounding blanks, the first of a field
// wins, pairs without a key or a ':' are skipped. Values keep printable ASCII
// only (so never a tab or a line break), trimmed and cut to kFieldLimit.
DeviceIdFields ParseDeviceId(std::string_view id);

// One USB machine that could be the one the program talks to.
struct UsbCandidate {
    std::string name; // "usb:VVVV:PPPP[:SERIAL]", the name the device namespace opens
    std::string maker;
    std::string model;
    std::string serial;
};

// printers without the second and later interfaces of one device: a machine
// counts once.
std::vector<UsbPrinterInterface> OnePerDevice(const std::vector<UsbPrinterInterface>& printers);

// Every device with a bidirectional printer-class interface, once each, in
// the backend's order. Maker, model and serial come from the device ID that
// the kernel printer driver read (under sysfsRoot), else from the device's
// string descriptors (sysfs's copy, else through the backend, which claims
// nothing). No byte of the machine's protocol is sent.
std::vector<UsbCandidate> ListUsbCandidates(UsbBackend& backend, const std::string& sysfsRoot);

// The same on the installed backend and sysfs root; empty without libusb.
std::vector<UsbCandidate> ListUsbCandidates();

// The sysfs root ListUsbCandidates() reads: "/sys", or a test's folder.
std::string SysfsRoot();
// Empty puts "/sys" back. Process-wide like the seams: the stand-in library
// reads it from its own shared object.
void SetSysfsRootForTests(const std::string& root);

} // namespace platform
