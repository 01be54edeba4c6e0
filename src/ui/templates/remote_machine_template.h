#pragma once
#include "templates/dialog_template.h"

// The choice of a machine attached to another computer, reached over ssh.
extern const dlg::DialogTemplate remoteMachineTemplate;

namespace remote_machine_ids {
constexpr int kHostLabel = 1001;
constexpr int kHost = 1002;
constexpr int kFind = 1003;
constexpr int kList = 1004;
constexpr int kMessage = 1005;
constexpr int kOk = 1;
constexpr int kCancel = 2;
} // namespace remote_machine_ids
