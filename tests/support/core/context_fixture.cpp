#include "support/core/context_fixture.h"

#include "model/panel_context.h"

void ContextTest::SetUp() {
    PlatformTest::SetUp();
    panelContext.Reset();
}

void ContextTest::TearDown() {
    panelContext.Reset();
    PlatformTest::TearDown();
}
