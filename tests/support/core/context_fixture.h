#pragma once
#include "model/panel_context.h"
#include "support/platform/platform_fixture.h"

// The fixture of tests that run the link, protocol or model code: the
// platform seams (PlatformTest) and a fresh panel context, set up before the
// test and again after it so nothing it left reaches the next.
class ContextTest : public PlatformTest {
  protected:
    void SetUp() override;
    void TearDown() override;
};
