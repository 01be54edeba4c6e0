#pragma once
// The panel context of this run. Only the top of a program (the windows,
// faxrcp-cli's commands) names it; they pass it, or the part a routine uses,
// down: Mfp_GetSettings(panelContext.link, panelContext.records.systemSetup).
#include "model/panel_context.h"

extern PanelContext panelContext;
