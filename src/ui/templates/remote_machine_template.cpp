#include "templates/remote_machine_template.h"

using namespace dlg;

const DialogTemplate remoteMachineTemplate = {
    330,
    190,
    "Machine on another computer",
    {
        {1001, Kind::StaticText, 7, 7, 316, 10, "Computer ([user@]host[:port]):", kNoWrap},
        {1002, Kind::Edit, 7, 19, 236, 14, "", kBorder | kAutoHScroll},
        {1003, Kind::IconButton, 249, 16, 74, 20, "List machines", kDefault},
        {1004, Kind::ListView, 7, 42, 316, 92, "",
         kSingleSel | kShowSelAlways | kBorder | kNoSortHeader},
        {1005, Kind::StaticText, 7, 138, 316, 20, ""},
        {1, Kind::IconButton, 177, 164, 70, 22, "OK", kDisabled},
        {2, Kind::IconButton, 253, 164, 70, 22, "Cancel"},
    }};
