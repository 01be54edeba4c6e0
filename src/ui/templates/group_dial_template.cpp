#include "templates/group_dial_template.h"

using namespace dlg;

const DialogTemplate groupDialTemplate = {
    314,
    242,
    "Group dial",
    {
        {kIdStatic, Kind::GroupBox, 4, 2, 305, 202, ""},
        {1120, Kind::StaticText, 13, 20, 30, 8, "Name:"},
        {1002, Kind::FilterEdit, 73, 20, 110, 13, "", kBorder | kAutoHScroll | kUppercase},
        {kIdStatic, Kind::StaticText, 220, 32, 33, 8, "Type:", kHidden | kDisabled},
        {1000,
         Kind::DropDownList,
         202,
         15,
         97,
         79,
         "",
         kHidden | kDisabled,
         {"One touch dial", "Speed dial"}},
        {1157, Kind::StaticText, 13, 50, 73, 17, "Included numbers:"},
        {1024, Kind::PushButton, 91, 48, 59, 16, "Remove (>>)"},
        {1023, Kind::PushButton, 164, 48, 60, 16, "Add (<<)"},
        {1158, Kind::StaticText, 227, 51, 72, 16, "Available numbers:", kAlignRight},
        {1027, Kind::ListView, 13, 69, 137, 125, "", kShowSelAlways | kBorder},
        {1028, Kind::ListView, 165, 69, 134, 125, "", kShowSelAlways | kBorder},
        {1, Kind::IconButton, 65, 211, 84, 24, "OK", kDefault},
        {2, Kind::IconButton, 165, 211, 84, 24, "Cancel"},
    }};
