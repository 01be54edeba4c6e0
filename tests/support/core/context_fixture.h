#pragma once
#include "model/panel_context.h"
#include "support/platform/platform_fixture.h"

// The fixture of tests that run the link, protocol or model code: the
// platform seams (PlatformTest) and the test's own panel context, fresh for
// each test. The language in force is none before and after.
class ContextTest : public PlatformTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    PanelContext panelContext;
};
