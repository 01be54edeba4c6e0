#pragma once
#include "platform/debug_output.h"
#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The root of every fixture that runs the program's code, over the platform
// seams alone: a virtual clock (so every wait is instant and measurable) and
// a debug sink that keeps every trace line, installed in SetUp. TearDown puts
// the real clock and debug output back and forgets any program path or
// platform version a test chose. Derived fixtures that override SetUp or
// TearDown call these first / last.
class PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Puts another clock in force (a tick near the wrap, one that interrupts,
    // or `clock` again) until the next call or the end of the test.
    static void useClock(platform::Clock& other);

    // Every trace line so far, one entry per debug output call.
    const std::vector<std::string>& traceLines() const { return debug.lines; }
    // All trace output so far as one text.
    std::string trace() const { return debug.joined(); }
    void clearTrace() { debug.lines.clear(); }

    platform::VirtualClock clock;
    platform::CapturingDebugSink debug;
};
