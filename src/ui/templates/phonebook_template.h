#pragma once
#include "templates/dialog_template.h"

// The Phonebook page (template 115).
extern const dlg::DialogTemplate phonebookTemplate;

namespace phonebook_ids {
constexpr int kTypeBox = 1129;
constexpr int kOneTouchRadio = 1034;
constexpr int kSpeedDialRadio = 1035;
constexpr int kRead = 1032;
constexpr int kWrite = 1024;
constexpr int kList = 1027;
constexpr int kFind = 1040; // filters the list by name or number
constexpr int kEdit = 1025;
constexpr int kDelete = 1026;
constexpr int kDeleteAll = 1031;
constexpr int kGroupDial = 1023;
} // namespace phonebook_ids
