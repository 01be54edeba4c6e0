#pragma once
#include "templates/dialog_template.h"

// The Settings page (template 106).
extern const dlg::DialogTemplate settingsTemplate;

namespace settings_ids {
// Drop-down lists.
constexpr int kTrayPaperSize = 1156;
constexpr int kBypassPaperSize = 1019;
constexpr int kBypassPaperType = 1020;
constexpr int kSendingConfirm = 1018;
constexpr int kPrintTimeOut = 1081;
constexpr int kContrast = 1024;
constexpr int kDocumentMode = 1027;
constexpr int kReceiveMode = 1022;
// Numeric fields and the arrow bars beside them.
constexpr int kDiscardSize = 1021;
constexpr int kRingCount = 1023;
constexpr int kRedialInterval = 1026;
constexpr int kRedialCount = 1025;
constexpr int kZoom = 1028;
constexpr int kCopies = 1001;
constexpr int kDiscardSizeArrows = 1096;
constexpr int kRingCountArrows = 1097;
constexpr int kRedialIntervalArrows = 1099;
constexpr int kRedialCountArrows = 1098;
constexpr int kZoomArrows = 1100;
constexpr int kCopiesArrows = 1102;
// Check boxes and buttons.
constexpr int kAutoJournal = 1056;
constexpr int kRxReduction = 1058;
constexpr int kRefresh = 1060;
constexpr int kApply = 1063;
// Labels and unit texts.
constexpr int kTrayPaperSizeLabel = 1140;
constexpr int kBypassPaperSizeLabel = 1141;
constexpr int kBypassPaperTypeLabel = 1142;
constexpr int kDiscardSizeLabel = 1143;
constexpr int kTimesUnit = 1144;
constexpr int kTimes2Unit = 1145;
constexpr int kMinutesUnit = 1116;
constexpr int kRingCountLabel = 1146;
constexpr int kRedialIntervalLabel = 1147;
constexpr int kRedialCountLabel = 1148;
constexpr int kZoomLabel = 1149;
constexpr int kCopiesLabel = 1150;
constexpr int kContrastLabel = 1151;
constexpr int kDocumentModeLabel = 1152;
constexpr int kSendingConfirmLabel = 1153;
constexpr int kReceiveModeLabel = 1154;
constexpr int kTimeOutLabel = 1155;
} // namespace settings_ids
