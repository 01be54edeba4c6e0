#include "support/platform_fixture.h"

#include "app/panel.h"
#include "platform/clock.h"
#include "platform/program.h"

namespace {

// A fresh process's state, with the real platform in place.
void FreshProcess() {
    panelContext.Reset();
    platform::SetModuleFileNameForTests("");
    platform::ResetVersionForTests();
}

} // namespace

void PlatformTest::SetUp() {
    FreshProcess();
    platform::InstallClock(&clock);
    platform::InstallDebugSink(&debug);
}

void PlatformTest::TearDown() {
    FreshProcess();
}
