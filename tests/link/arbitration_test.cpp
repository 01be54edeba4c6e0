// Port arbitration with the scanner driver's library.
#include "link/fake_libs.h"
#include "link/isolated.h"
#include "link/link_fixture.h"

namespace {

class ArbitrationTest : public LinkTest {};

// Run by WithoutTheLibraryThePortCountsAsFree in a folder of its own.
TEST_F(ArbitrationTest, DISABLED_IsolatedWithoutTheLibrary) {
    fakes::UseProgramFolder("empty");
    ASSERT_TRUE(fakes::Absent("vexlink.dll"));
    EXPECT_EQ(AcquirePort(8), 1);
    EXPECT_EQ(arbitrationLibrary, nullptr);
    EXPECT_EQ(ReleasePort(8), 0);
    EXPECT_TRUE(traceLines().empty());
}

TEST_F(ArbitrationTest, WithoutTheLibraryThePortCountsAsFreeAndReleaseDoesNothing) {
    EXPECT_TRUE(fakes::RunIsolated("ArbitrationTest.DISABLED_IsolatedWithoutTheLibrary"));
}

TEST_F(ArbitrationTest, GrantedPortKeepsTheLibraryUntilTheRelease) {
    fakes::Vexlink vexlink("full");
    ASSERT_TRUE(vexlink.lib.loaded());
    vexlink.set(1, 1);
    fakes::UseProgramFolder("full");

    EXPECT_EQ(AcquirePort(8), 1);
    EXPECT_EQ(vexlink.acquireCalls(), 1);
    EXPECT_EQ(vexlink.lastId(), 8);
    EXPECT_NE(arbitrationLibrary, nullptr);

    EXPECT_EQ(ReleasePort(8), 1);
    EXPECT_EQ(vexlink.releaseCalls(), 1);
    EXPECT_EQ(arbitrationLibrary, nullptr);
    EXPECT_EQ(traceLines(), (std::vector<std::string>{"412 RCP: Port Acquire - SUCCESS",
                                                      "RCP: Port Release - TRUE\n"}));
    EXPECT_FALSE(vexlink.lib.heldElsewhere());
}

TEST_F(ArbitrationTest, RefusedPortKeepsTheLibrarySoThatTheReleaseStillReachesIt) {
    fakes::Vexlink vexlink("full");
    vexlink.set(0, 1);
    fakes::UseProgramFolder("full");

    EXPECT_EQ(AcquirePort(8), 0);
    EXPECT_NE(arbitrationLibrary, nullptr);
    EXPECT_EQ(ReleasePort(8), 1);
    EXPECT_EQ(vexlink.releaseCalls(), 1);
    EXPECT_EQ(traceLines(), (std::vector<std::string>{"RCP: Port Acquire - FAILED",
                                                      "RCP: Port Release - TRUE\n"}));
}

TEST_F(ArbitrationTest, LibraryWithoutPortAcquireIsUnloadedAndReleaseDoesNothing) {
    fakes::Vexlink vexlink("noacquire");
    ASSERT_TRUE(vexlink.lib.loaded());
    vexlink.set(1, 1);
    fakes::UseProgramFolder("noacquire");

    EXPECT_EQ(AcquirePort(8), 0);
    EXPECT_EQ(arbitrationLibrary, nullptr);
    EXPECT_FALSE(vexlink.lib.heldElsewhere());
    EXPECT_EQ(ReleasePort(8), 0);
    EXPECT_EQ(traceLines(), (std::vector<std::string>{"RCP: Port Acquire - FAILED"}));
}

TEST_F(ArbitrationTest, RefusedReleaseStillUnloadsTheLibrary) {
    fakes::Vexlink vexlink("full");
    vexlink.set(1, 0);
    fakes::UseProgramFolder("full");

    EXPECT_EQ(AcquirePort(8), 1);
    EXPECT_EQ(ReleasePort(8), 0);
    EXPECT_EQ(arbitrationLibrary, nullptr);
    EXPECT_EQ(traceLines().back(), "RCP: Port Release - FALSE\n");
    EXPECT_EQ(ReleasePort(8), 0); // nothing left to release
    EXPECT_EQ(vexlink.releaseCalls(), 1);
    EXPECT_FALSE(vexlink.lib.heldElsewhere());
}

TEST_F(ArbitrationTest, LibraryWithoutPortReleaseIsUnloadedQuietly) {
    fakes::Vexlink vexlink("norelease");
    vexlink.set(1, 1);
    fakes::UseProgramFolder("norelease");

    EXPECT_EQ(AcquirePort(8), 1);
    clearTrace();
    EXPECT_EQ(ReleasePort(8), 0);
    EXPECT_EQ(arbitrationLibrary, nullptr);
    EXPECT_FALSE(vexlink.lib.heldElsewhere());
    EXPECT_TRUE(traceLines().empty());
}

} // namespace
