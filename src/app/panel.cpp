#include "app/panel.h"

// One per process: a program runs one panel on one machine.
PanelContext panelContext;
