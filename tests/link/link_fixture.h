#pragma once
#include "link/port.h"
#include "support/platform_fixture.h"

// Virtual clock, captured traces, and the link state of a fresh process
// before and after each test.
class LinkTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ResetLinkState();
    }
    void TearDown() override {
        ResetLinkState();
        PlatformTest::TearDown();
    }
};
