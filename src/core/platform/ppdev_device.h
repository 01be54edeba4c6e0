#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/device.h"

namespace platform {

// Device controls of the ECP parallel-port device (printer device type 0x18,
// buffered, any access).
constexpr uint32_t kEcpSetHardwareMode = 0x182014; // 1 byte: 0 = ECP hardware
constexpr uint32_t kEcpNegotiate = 0x182004;       // 1 byte: IEEE 1284 mode, 0x00 nibble, 0x10 ECP
constexpr uint32_t kEcpSetDirection = 0x182008;    // 32-bit: 1 host to machine, 0 machine to host

// Opens a ppdev device (/dev/parport0...) and claims the port until closed.
std::unique_ptr<Device> OpenPpdevDevice(const std::string& path, const OpenMode& mode);

} // namespace platform
