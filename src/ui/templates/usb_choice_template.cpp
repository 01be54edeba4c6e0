#include "templates/usb_choice_template.h"

using namespace dlg;

const DialogTemplate usbChoiceTemplate = {
    330,
    154,
    "Choose the machine",
    {
        {1001, Kind::StaticText, 7, 7, 316, 20, "Choose the machine to control:"},
        {1002, Kind::ListView, 7, 30, 316, 92, "",
         kSingleSel | kShowSelAlways | kBorder | kNoSortHeader},
        {1003, Kind::IconButton, 7, 128, 150, 22, "Machine on another computer..."},
        {1, Kind::IconButton, 177, 128, 70, 22, "OK", kDefault | kDisabled},
        {2, Kind::IconButton, 253, 128, 70, 22, "Cancel"},
    }};
