#include "templates/startup_template.h"

using namespace dlg;

const DialogTemplate startupTemplate = {
    240,
    78,
    "Telvane Remote Control Panel",
    {
        {1001, Kind::Picture, 7, 7, 22, 22, ""},
        {1002, Kind::StaticText, 36, 9, 197, 10, "Telvane Remote Control Panel"},
        {1003, Kind::StaticText, 36, 22, 197, 18, "Looking for the machine on USB..."},
        {1004, Kind::ProgressBar, 36, 42, 197, 8, ""},
        {1005, Kind::PushButton, 7, 56, 152, 16, "Machine on another computer..."},
        {2, Kind::PushButton, 163, 56, 70, 16, "Cancel"},
    }};
