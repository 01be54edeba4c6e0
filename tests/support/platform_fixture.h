#pragma once
#include "app/panel.h"
#include "platform/debug_output.h"
#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The base of every fixture that runs the panel's code: a fresh panel context,
// a virtual clock (so every wait is instant and measurable) and a debug sink
// that keeps every trace line, installed in SetUp. TearDown frees what the
// test left in the context, puts the real clock and debug output back and
// forgets any program path or platform version a test chose. Derived fixtures
// that override SetUp or TearDown call these first / last.
class PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Every trace line so far, one entry per debug output call.
    const std::vector<std::string>& traceLines() const { return debug.lines; }
    // All trace output so far as one text.
    std::string trace() const { return debug.joined(); }
    void clearTrace() { debug.lines.clear(); }

    platform::VirtualClock clock;
    platform::CapturingDebugSink debug;
};
