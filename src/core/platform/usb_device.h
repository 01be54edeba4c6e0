#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/device.h"

namespace platform {

// "usb:VVVV:PPPP[:SERIAL]": the printer-class interface of that USB device.
// The interface stays claimed across opens (a claim per transfer would make
// the kernel re-probe the printer every time) and is given back, with the
// kernel driver re-attached, once it has been idle for kUsbIdleRelease and
// when the program ends. Answer bytes beyond a read stay for the next read.
std::unique_ptr<Device> OpenUsbDevice(const std::string& name, const OpenMode& mode);

constexpr std::chrono::milliseconds kUsbIdleRelease{3000};

// Gives back every claim not in use and idle since before now - kUsbIdleRelease.
void ReleaseIdleUsbInterfaces(std::chrono::steady_clock::time_point now);
// Gives back every claim not in use.
void ReleaseAllUsbInterfaces();
// Tests drive the idle release themselves.
void SetUsbIdleWatcher(bool enabled);

// The device node of the last printer that was found but could not be opened
// for lack of permission; empty when the last open had no such trouble.
std::string UsbPermissionProblem();

} // namespace platform
