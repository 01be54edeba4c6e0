#include "templates/phonebook_template.h"

using namespace dlg;

const DialogTemplate phonebookTemplate = {
    347,
    217,
    "Phonebook",
    {
        {1129, Kind::GroupBox, 5, 4, 196, 43, "Type"},
        {1034, Kind::RadioButton, 25, 17, 98, 10, " One touch dial ( 1 ~ 40 )",
         kGroup | kHidden | kDisabled},
        {1035, Kind::RadioButton, 25, 23, 165, 10, " Speed dial ( 0 ~ 90 )"},
        {1032, Kind::PushButton, 234, 9, 82, 16, "Read"},
        {1024, Kind::PushButton, 234, 30, 82, 16, "Write"},
        {1040, Kind::Edit, 6, 51, 329, 13, ""},
        {1027, Kind::ListView, 6, 67, 329, 105, "",
         kSingleSel | kShowSelAlways | kNoSortHeader | kBorder},
        {1025, Kind::PushButton, 8, 182, 73, 18, "&Edit"},
        {1026, Kind::PushButton, 90, 182, 73, 18, "&Delete"},
        {1031, Kind::PushButton, 172, 182, 73, 18, "Delete &All"},
        {1023, Kind::PushButton, 254, 182, 79, 18, "&Group dial..."},
    }};
