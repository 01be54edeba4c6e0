#include "model/panel_context.h"

#include "model/lang_text.h"
#include "platform/clock.h"
#include "platform/debug_output.h"

void PanelContext::Reset() {
    link.Reset();
    records.Reset();
    UseLanguageFile({});
    portType = 1;
    platform::InstallClock(nullptr);
    platform::InstallDebugSink(nullptr);
}
