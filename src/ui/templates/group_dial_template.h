#pragma once
#include "templates/dialog_template.h"

// The group dial editor (template 143).
extern const dlg::DialogTemplate groupDialTemplate;

namespace group_dial_ids {
constexpr int kNameLabel = 1120;
constexpr int kName = 1002;
constexpr int kTypeList = 1000;
constexpr int kIncludedLabel = 1157;
constexpr int kRemove = 1024;
constexpr int kAdd = 1023;
constexpr int kAvailableLabel = 1158;
constexpr int kIncludedList = 1027;
constexpr int kAvailableList = 1028;
constexpr int kOk = 1;
constexpr int kCancel = 2;
} // namespace group_dial_ids
