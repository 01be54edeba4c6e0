#pragma once
#include "templates/dialog_template.h"

// The choice among several machines on USB at start-up.
extern const dlg::DialogTemplate usbChoiceTemplate;

namespace usb_choice_ids {
constexpr int kPrompt = 1001;
constexpr int kList = 1002;
constexpr int kRemote = 1003;
constexpr int kOk = 1;
constexpr int kCancel = 2;
} // namespace usb_choice_ids
