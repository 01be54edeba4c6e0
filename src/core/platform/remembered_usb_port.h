#pragma once
#include <string>
#include <vector>

namespace platform {

// Which of several USB machines this user chose, kept as its port name
// ("usb:VVVV:PPPP[:SERIAL]", or "ssh:..." for one on another computer) in
// <profile directory>/faxrcp/usb-port.

std::string RememberedUsbPortPath();

// The remembered name; empty when there is none or the file does not hold a
// well-formed USB port name or ssh: name.
std::string RememberedUsbPort();

// Replaces the file at once (a reader sees the old name or the new, never a
// part); refuses anything but a USB port name. False when it cannot be written.
bool RememberUsbPort(const std::string& name);

// Whether name looks like "usb:" followed by printable ASCII without blanks,
// at most 140 characters.
bool IsUsbPortName(const std::string& name);

// The machines on other computers this user chose, newest first, at most
// kRememberedRemoteLimit, in <profile directory>/faxrcp/remote-machines.
std::vector<std::string> RememberedRemoteMachines();
// Puts name first in that list; false when it is no ssh: name or cannot be
// written.
bool RememberRemoteMachine(const std::string& name);
constexpr size_t kRememberedRemoteLimit = 10;

} // namespace platform
