#include "templates/main_template.h"

using namespace dlg;

// The buttons' places here are nominal: the main window puts them below the
// sheet once it knows the sheet's size.
const DialogTemplate mainTemplate = {377,
                                     280,
                                     "Remote Control Panel",
                                     {
                                         {1006, Kind::IconButton, 227, 250, 70, 22, "  E&xit"},
                                         {1042, Kind::IconButton, 303, 250, 70, 22, "  &Help"},
                                     }};

// Size and button place are replaced at run time; the button keeps its size.
const DialogTemplate aboutTemplate = {211,
                                      179,
                                      "About",
                                      {
                                          {1, Kind::DefPushButton, 61, 143, 56, 16, "OK"},
                                      }};
