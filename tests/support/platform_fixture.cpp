#include "support/platform_fixture.h"

#include "platform/clock.h"
#include "platform/program.h"

namespace {

void RestoreRealPlatform() {
    platform::InstallClock(nullptr);
    platform::InstallDebugSink(nullptr);
    platform::SetModuleFileNameForTests("");
    platform::ResetVersionForTests();
}

} // namespace

void PlatformTest::SetUp() {
    platform::InstallClock(&clock);
    platform::InstallDebugSink(&debug);
}

void PlatformTest::TearDown() {
    RestoreRealPlatform();
}
