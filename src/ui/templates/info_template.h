#pragma once
#include "templates/dialog_template.h"

// The Information page.
extern const dlg::DialogTemplate infoTemplate;

namespace info_ids {
constexpr int kFwVersionLabel = 1130;
constexpr int kFwVersion = 1065;
constexpr int kEngineVersionLabel = 1131;
constexpr int kEngineVersion = 1066;
constexpr int kEmulVersionLabel = 1132;
constexpr int kEmulVersion = 1067;
constexpr int kFreeMemoryLabel = 1133;
constexpr int kFreeMemory = 1075;
constexpr int kPlatenScanLabel = 1136;
constexpr int kPlatenScan = 1069;
constexpr int kPrintCountLabel = 1135;
constexpr int kPrintCount = 1071;
constexpr int kAdfScanLabel = 1134;
constexpr int kAdfScan = 1070;
constexpr int kPrintJamLabel = 1138;
constexpr int kPrintJam = 1074;
constexpr int kAdfJamLabel = 1137;
constexpr int kAdfJam = 1073;
constexpr int kTonerLabel = 1139;
constexpr int kToner = 1072;
constexpr int kApply = 1063;
constexpr int kRefresh = 1060;
} // namespace info_ids
