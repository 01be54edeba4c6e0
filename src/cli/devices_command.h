#pragma once
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "model/usb_choice.h"

namespace cli {

// Start-up's question when several USB machines are there and none is named:
// the tool cannot ask, so it lists them on io.err with the way to name one,
// and ends start-up (nullopt).
std::optional<std::string> NoUsbDeviceNamed(const std::vector<UsbCandidate>& candidates, Io& io);

} // namespace cli
