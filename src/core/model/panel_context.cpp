#include "model/panel_context.h"

PanelContext::~PanelContext() {
    link.Reset();
    records.Reset();
}
