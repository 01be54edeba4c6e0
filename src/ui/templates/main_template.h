#pragma once
#include "templates/dialog_template.h"

// The main window (template 102) and the About dialog (template 110).
extern const dlg::DialogTemplate mainTemplate;
extern const dlg::DialogTemplate aboutTemplate;
