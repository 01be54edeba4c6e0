#pragma once
#include "templates/dialog_template.h"

// The Advanced page (template 123).
extern const dlg::DialogTemplate advancedTemplate;

namespace advanced_ids {
// Text fields.
constexpr int kMachineNumber = 1088;
constexpr int kMachineId = 1089;
constexpr int kPrefixDial = 1001;
// Drop-down lists.
constexpr int kSpeaker = 1061;
constexpr int kRinger = 1062;
constexpr int kUsbMode = 1057;
constexpr int kLanguage = 1058;
constexpr int kClockMode = 1053;
constexpr int kMinutes = 1000;
// Radio pairs, pickers, check boxes and buttons.
constexpr int kTollSaverBox = 1117;
constexpr int kTollSaverOff = 1004;
constexpr int kTollSaverOn = 1005;
constexpr int kStartDate = 1104;
constexpr int kStartTime = 1101;
constexpr int kEndDate = 1105;
constexpr int kEndTime = 1102;
constexpr int kPowerSaveBox = 1115;
constexpr int kPowerSaveOff = 1002;
constexpr int kPowerSaveOn = 1003;
constexpr int kAlarmSound = 1051;
constexpr int kKeySound = 1052;
constexpr int kStampReceiverName = 1106;
constexpr int kEcmMode = 1028;
constexpr int kRefresh = 1060;
constexpr int kApply = 1063;
// Labels.
constexpr int kMachineNumberLabel = 1107;
constexpr int kMachineIdLabel = 1108;
constexpr int kPrefixDialLabel = 1109;
constexpr int kSpeakerLabel = 1110;
constexpr int kRingerLabel = 1111;
constexpr int kUsbModeLabel = 1112;
constexpr int kLanguageLabel = 1113;
constexpr int kClockModeLabel = 1114;
constexpr int kMinutesUnit = 1116;
constexpr int kStartLabel = 1118;
constexpr int kEndLabel = 1119;
} // namespace advanced_ids
