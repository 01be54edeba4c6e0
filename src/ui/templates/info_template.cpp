#include "templates/info_template.h"

using namespace dlg;

const DialogTemplate infoTemplate = {
    347,
    217,
    "Information",
    {
        {kIdStatic, Kind::GroupBox, 11, 9, 321, 162, ""},
        {1130, Kind::StaticText, 14, 30, 98, 20, "Firmware version:", kAlignRight},
        {1065, Kind::StaticText, 118, 30, 50, 12, "1.00", kSunken},
        {1131, Kind::StaticText, 171, 30, 99, 8, "Engine Version:", kAlignRight},
        {1066, Kind::StaticText, 276, 30, 50, 12, "1.34", kSunken},
        {1132, Kind::StaticText, 14, 53, 98, 20, "Emulation version:", kAlignRight},
        {1067, Kind::StaticText, 118, 53, 208, 12, "ZEML 1.20 12-17-2002", kSunken},
        {1133, Kind::StaticText, 14, 78, 98, 20, "Free memory:", kAlignRight},
        {1075, Kind::StaticText, 118, 77, 50, 11, "100 %", kSunken | kAlignCenter},
        {1136, Kind::StaticText, 171, 78, 99, 17, "Platen scan count:", kAlignRight},
        {1069, Kind::StaticText, 276, 77, 50, 11, "...", kSunken | kAlignCenter},
        {1135, Kind::StaticText, 17, 99, 95, 19, "Print count:", kAlignRight},
        {1071, Kind::StaticText, 118, 98, 50, 11, "...", kSunken | kAlignCenter},
        {1134, Kind::StaticText, 171, 99, 99, 19, "ADF scan count:", kAlignRight | kHidden},
        {1070, Kind::StaticText, 276, 98, 50, 11, "...", kSunken | kAlignCenter | kHidden},
        {1138, Kind::StaticText, 15, 121, 97, 21, "Print jam count:", kAlignRight},
        {1074, Kind::StaticText, 118, 121, 50, 11, "...", kSunken | kAlignCenter},
        {1137, Kind::StaticText, 170, 121, 98, 19, "ADF jam count:", kAlignRight | kHidden},
        {1073, Kind::StaticText, 274, 121, 50, 11, "...", kSunken | kAlignCenter | kHidden},
        {1139, Kind::StaticText, 16, 143, 96, 22, "Replaced toner count:", kAlignRight},
        {1072, Kind::StaticText, 118, 143, 50, 11, "...", kSunken | kAlignCenter},
        {1063, Kind::PushButton, 155, 192, 82, 18, "Apply", kHidden},
        {1060, Kind::PushButton, 249, 192, 82, 18, "Refresh"},
    }};
