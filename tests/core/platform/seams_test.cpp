// The clock, debug output, program path and version seams.
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/program.h"
#include "platform/virtual_clock.h"
#include "support/platform/platform_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using platform::GetTickCount;
using platform::Sleep;

TEST(VirtualClock, SleepAdvancesTheWrappingTickAndCountsTheTimeSlept) {
    platform::VirtualClock clock(0xFFFFFFF0u);
    clock.sleep(0x20);
    clock.sleep(0);
    EXPECT_EQ(clock.tick(), 0x10u);
    // The unsigned difference across the wrap is the time that passed.
    EXPECT_EQ(clock.tick() - 0xFFFFFFF0u, 0x20u);
    clock.advance(5); // time passing without a sleep is not sleeping
    EXPECT_EQ(clock.tick(), 0x15u);
    clock.sleep(0xFFFFFFFFu);
    clock.sleep(0xFFFFFFFFu);
    EXPECT_EQ(clock.slept(), 0x20ull + 2ull * 0xFFFFFFFFull);
}

TEST_F(PlatformTest, InstalledVirtualClockServesTickAndSleep) {
    clock.setTick(0xFFFFFFFEu);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFFEu);
    Sleep(3);
    EXPECT_EQ(GetTickCount(), 1u);
    EXPECT_EQ(clock.slept(), 3u);
}

TEST(SteadyClock, RealClockComesBackAndMeasuresRealSleeps) {
    platform::VirtualClock fake(7);
    platform::InstallClock(&fake);
    EXPECT_EQ(GetTickCount(), 7u);
    platform::InstallClock(nullptr);
    const uint32_t before = GetTickCount();
    Sleep(15);
    const uint32_t elapsed = GetTickCount() - before;
    EXPECT_GE(elapsed, 14u);
    EXPECT_LT(elapsed, 2000u);
    EXPECT_EQ(fake.slept(), 0u); // the sleep went to the real clock
}

TEST_F(PlatformTest, DebugOutputKeepsEachCallAsOneLineWithItsBytes) {
    platform::OutputDebugString("Size to read = 32 \n");
    platform::OutputDebugString(std::string("a\0b\r", 4));
    platform::OutputDebugString("");
    ASSERT_EQ(traceLines().size(), 3u);
    EXPECT_EQ(traceLines()[0], "Size to read = 32 \n");
    EXPECT_EQ(traceLines()[1], std::string("a\0b\r", 4));
    EXPECT_EQ(trace(), std::string("Size to read = 32 \na\0b\r", 23));
}

TEST(DebugOutput, StandardErrorGetsTheBytesUnchangedOnceNullIsInstalled) {
    platform::CapturingDebugSink sink;
    platform::InstallDebugSink(&sink);
    platform::OutputDebugString("captured");
    platform::InstallDebugSink(nullptr);
    testing::internal::CaptureStderr();
    platform::OutputDebugString("RCP: Port Release - TRUE\n");
    platform::OutputDebugString("\n Can not open the port: LPT1 \n\r");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "RCP: Port Release - TRUE\n\n Can not open the port: LPT1 \n\r");
    EXPECT_EQ(sink.lines, std::vector<std::string>{"captured"});
}

TEST_F(PlatformTest, ProgramPathIsTheRunningExecutableUnlessATestSetsOne) {
    const std::string path = platform::GetModuleFileName();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    const std::string dir = platform::ProgramDirectory();
    EXPECT_EQ(dir.back(), '/');
    EXPECT_EQ(path.substr(0, dir.size()), dir);
    EXPECT_EQ(path.find('/', dir.size()), std::string::npos);

    platform::SetModuleFileNameForTests("/opt/elsewhere/bin/faxrcp");
    EXPECT_EQ(platform::GetModuleFileName(), "/opt/elsewhere/bin/faxrcp");
    EXPECT_EQ(platform::ProgramDirectory(), "/opt/elsewhere/bin/");
    platform::SetModuleFileNameForTests("");
    EXPECT_EQ(platform::GetModuleFileName(), path);
}

TEST_F(PlatformTest, LinuxCountsAsNtVersionFiveOrLaterUnlessATestSaysOtherwise) {
    platform::SetVersionForTests(platform::VersionInfo{platform::PlatformId::Windows9x, 4, 10});
    auto v = platform::GetVersionEx();
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->platformId, platform::PlatformId::Windows9x);
    EXPECT_EQ(v->minorVersion, 10u);
    platform::SetVersionForTests(std::nullopt);
    EXPECT_FALSE(platform::GetVersionEx().has_value());
    platform::ResetVersionForTests();
    v = platform::GetVersionEx();
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->platformId, platform::PlatformId::Nt);
    EXPECT_GE(v->majorVersion, 5u);
}
