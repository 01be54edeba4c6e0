#include "templates/edit_phonebook_template.h"

using namespace dlg;

const DialogTemplate editPhonebookTemplate = {
    287,
    108,
    "",
    {
        {kIdStatic, Kind::GroupBox, 11, 9, 266, 68, ""},
        {1120, Kind::StaticText, 18, 24, 30, 8, "Name:"},
        {1002, Kind::FilterEdit, 78, 24, 110, 13, "", kBorder | kAutoHScroll},
        {1121, Kind::StaticText, 18, 51, 56, 19, "Phone Number:"},
        {1001, Kind::FilterEdit, 78, 50, 190, 13, "", kBorder | kAutoHScroll},
        {1, Kind::IconButton, 49, 81, 85, 24, "OK", kDefault},
        {2, Kind::IconButton, 152, 81, 85, 24, "Cancel"},
    }};
