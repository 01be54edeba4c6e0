#include "support/platform/platform_fixture.h"

#include "platform/clock.h"
#include "platform/program.h"

namespace {

// The real platform in place, as in a fresh process.
void RealPlatform() {
    platform::InstallClock(nullptr);
    platform::InstallDebugSink(nullptr);
    platform::SetModuleFileNameForTests("");
    platform::ResetVersionForTests();
}

} // namespace

void PlatformTest::SetUp() {
    RealPlatform();
    platform::InstallClock(&clock);
    platform::InstallDebugSink(&debug);
}

void PlatformTest::TearDown() {
    RealPlatform();
}

void PlatformTest::useClock(platform::Clock& other) {
    platform::InstallClock(&other);
}
