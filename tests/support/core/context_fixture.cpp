#include "support/core/context_fixture.h"

#include "model/panel_context.h"

// A reset context also puts the real seams back: it goes first, and the
// fixture's seams after it.
void ContextTest::SetUp() {
    panelContext.Reset();
    PlatformTest::SetUp();
}

void ContextTest::TearDown() {
    PlatformTest::TearDown();
    panelContext.Reset();
}
