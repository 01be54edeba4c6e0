#include "model/panel_context.h"

#include <algorithm>
#include <iterator>

#include "model/lang_text.h"
#include "platform/clock.h"
#include "platform/debug_output.h"

void PanelContext::Reset() {
    link.Reset();
    records.Reset();
    UseLanguageFile({});
    portType = 1;
    speedDialView = 1;
    std::fill(std::begin(includeState), std::end(includeState), 0);
    nonAsciiTyped = 0;
    platform::InstallClock(nullptr);
    platform::InstallDebugSink(nullptr);
}
