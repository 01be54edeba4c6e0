#pragma once
#include "templates/dialog_template.h"

// The phonebook entry editor (template 112).
extern const dlg::DialogTemplate editPhonebookTemplate;

namespace edit_phonebook_ids {
constexpr int kNameLabel = 1120;
constexpr int kName = 1002;
constexpr int kNumberLabel = 1121;
constexpr int kNumber = 1001;
constexpr int kOk = 1;
constexpr int kCancel = 2;
} // namespace edit_phonebook_ids
