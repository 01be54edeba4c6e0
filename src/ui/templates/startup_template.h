#pragma once
#include "templates/dialog_template.h"

// The small window shown while start-up looks for the machine.
extern const dlg::DialogTemplate startupTemplate;

namespace startup_ids {
constexpr int kIcon = 1001;
constexpr int kName = 1002;
constexpr int kLooking = 1003;
constexpr int kBusy = 1004;
constexpr int kRemote = 1005;
constexpr int kCancel = 2;
} // namespace startup_ids
