#include "templates/advanced_template.h"

using namespace dlg;

namespace {
constexpr uint32_t kLabel = kAlignRight | kNoWrap;
constexpr uint32_t kTextField = kBorder | kAutoHScroll;
} // namespace

const DialogTemplate advancedTemplate = {
    347,
    217,
    "Advanced",
    {
        {1107, Kind::StaticText, 0, 10, 97, 8, "Machine number:", kLabel},
        {1088, Kind::FilterEdit, 103, 8, 85, 12, "", kTextField},
        {1108, Kind::StaticText, 0, 28, 97, 8, "Machine ID:", kLabel},
        {1089, Kind::FilterEdit, 103, 26, 85, 12, "", kTextField},
        {1109, Kind::StaticText, 0, 48, 97, 8, "Prefix dial:", kLabel},
        {1001, Kind::FilterEdit, 103, 45, 47, 14, "", kTextField | kUppercase},
        {1110, Kind::StaticText, 0, 68, 97, 8, "Speaker:", kLabel},
        {1061, Kind::DropDownList, 103, 66, 54, 51, "", 0, {"OFF", "ON", "COM"}},
        {1111, Kind::StaticText, 0, 87, 97, 8, "Ringer:", kLabel},
        {1062, Kind::DropDownList, 103, 85, 54, 68, "", 0, {"OFF", "LOW", "MED", "HIGH"}},
        {1117, Kind::GroupBox, 9, 110, 186, 76, "Toll saver  "},
        {1004, Kind::RadioButton, 52, 125, 60, 9, "Off", kGroup},
        {1005, Kind::RadioButton, 118, 125, 49, 9, "On"},
        {1118, Kind::StaticText, 15, 142, 45, 8, "Start :", kLabel},
        {1104, Kind::DatePicker, 63, 139, 70, 15, ""},
        {1101, Kind::TimePicker, 134, 139, 54, 15, ""},
        {1119, Kind::StaticText, 15, 166, 45, 8, "End :", kLabel},
        {1105, Kind::DatePicker, 63, 163, 70, 15, ""},
        {1102, Kind::TimePicker, 134, 163, 54, 15, ""},
        {1112, Kind::StaticText, 203, 10, 71, 8, "USB mode:", kLabel},
        {1057, Kind::DropDownList, 277, 8, 61, 68, "", 0, {"SLOW", "FAST"}},
        {1113, Kind::StaticText, 203, 29, 71, 8, "Language:", kLabel},
        {1058,
         Kind::DropDownList,
         277,
         27,
         61,
         140,
         "",
         0,
         {"English", "French", "Spanish", "Portuguese", "German", "Italian", "Dutch"}},
        {1114, Kind::StaticText, 203, 49, 71, 8, "Clock mode:", kLabel},
        {1053, Kind::DropDownList, 277, 47, 61, 53, "", 0, {"12 hour", "24 hour"}},
        {1115, Kind::GroupBox, 208, 64, 130, 45, "Power save "},
        {1002, Kind::RadioButton, 215, 77, 107, 10, "Off", kGroup},
        {1003, Kind::RadioButton, 215, 94, 42, 10, "On"},
        {1000, Kind::DropDownList, 260, 90, 34, 77, "", 0, {"5", "10", "15", "30", "45"}},
        {1116, Kind::StaticText, 298, 93, 38, 8, "minutes", kNoWrap},
        {1051, Kind::CheckBox, 215, 116, 124, 10, "Alarm sound"},
        {1052, Kind::CheckBox, 215, 132, 124, 10, "Key sound"},
        {1106, Kind::CheckBox, 215, 149, 124, 10, "Stamp receiver name"},
        {1028, Kind::CheckBox, 215, 165, 124, 10, "ECM mode"},
        {1060, Kind::PushButton, 203, 189, 60, 18, "&Refresh"},
        {1063, Kind::PushButton, 274, 189, 60, 18, "&Apply"},
    }};
