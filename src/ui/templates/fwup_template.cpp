#include "templates/fwup_template.h"

using namespace dlg;

// The four sunken values show their template texts only until the page's
// initialisation replaces them.
const DialogTemplate fwupTemplate = {
    347,
    217,
    "Firmware Update",
    {
        {1122, Kind::GroupBox, 15, 11, 316, 75, "File information"},
        {1123, Kind::StaticText, 26, 37, 78, 8, "File name:", kAlignRight},
        {1004, Kind::StaticText, 110, 34, 140, 12, "...", kSunken},
        {1023, Kind::PushButton, 258, 31, 65, 16, "Browse..."},
        {1124, Kind::StaticText, 26, 61, 78, 8, "File size:", kAlignRight},
        {1007, Kind::StaticText, 110, 59, 73, 12, "0 bytes", kSunken},
        {1125, Kind::GroupBox, 15, 101, 314, 73, "Progress"},
        {1009, Kind::ProgressBar, 45, 117, 226, 18, ""},
        {1076, Kind::StaticText, 280, 122, 29, 8, "0 %", kAlignCenter},
        {1126, Kind::StaticText, 19, 148, 67, 8, "Message:", kAlignRight},
        {1075, Kind::StaticText, 91, 146, 217, 21, "Static", kSunken},
        {1000, Kind::PushButton, 257, 189, 70, 20, "Update", kDisabled},
    }};
