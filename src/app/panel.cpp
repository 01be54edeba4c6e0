#include "app/panel.h"

// One per process: a program runs one panel on one machine.
PanelContext panelContext;

// The window state that still travels by name.
int& speedDialView = panelContext.speedDialView;
int (&includeState)[kIncludeStateSlots] = panelContext.includeState;
int& nonAsciiTyped = panelContext.nonAsciiTyped;
