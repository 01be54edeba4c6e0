#pragma once
#include "link/port.h"
#include "model/panel_context.h"
#include "support/platform_fixture.h"

// Virtual clock, captured traces, and the link state of a fresh process
// before and after each test.
class LinkTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        panelContext.link.Reset();
    }
    void TearDown() override {
        panelContext.link.Reset();
        PlatformTest::TearDown();
    }
};
