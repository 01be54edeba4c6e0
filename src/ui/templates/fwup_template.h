#pragma once
#include "templates/dialog_template.h"

// The Firmware Update page.
extern const dlg::DialogTemplate fwupTemplate;

namespace fwup_ids {
constexpr int kFileInformationBox = 1122;
constexpr int kFileNameLabel = 1123;
constexpr int kFileName = 1004;
constexpr int kBrowse = 1023;
constexpr int kFileSizeLabel = 1124;
constexpr int kFileSize = 1007;
constexpr int kProgressBox = 1125;
constexpr int kProgress = 1009;
constexpr int kPercent = 1076;
constexpr int kMessageLabel = 1126;
constexpr int kMessage = 1075;
constexpr int kUpdate = 1000;
} // namespace fwup_ids
