// Port arbitration with the scanner driver's library.
#include "fake_libs.h"
#include "isolated.h"
#include "link_fixture.h"

namespace {

class ArbitrationTest : public LinkTest {};

// Run by WithoutTheLibraryThePortCountsAsFreeAndReleaseDoesNothing in a folder of its own.
TEST_F(ArbitrationTest, DISABLED_IsolatedWithoutTheLibrary) {
    fakes::UseProgramFolder("empty");
    ASSERT_TRUE(fakes::Absent("vexlink.dll"));
    EXPECT_EQ(AcquirePort(panelContext.link, 8), 1);
    EXPECT_EQ(panelContext.link.arbitrationLibrary, nullptr);
    EXPECT_EQ(ReleasePort(panelContext.link, 8), 0);
    EXPECT_TRUE(traceLines().empty());
}

TEST_F(ArbitrationTest, WithoutTheLibraryThePortCountsAsFreeAndReleaseDoesNothing) {
    EXPECT_TRUE(fakes::RunIsolated("ArbitrationTest.DISABLED_IsolatedWithoutTheLibrary"));
}

// Whatever the library answers or lacks, the release reaches it when it was
// loaded and it is unloaded afterwards.
TEST_F(ArbitrationTest, AcquireAndReleaseFollowTheLibrarysAnswers) {
    const std::string granted = "412 RCP: Port Acquire - SUCCESS";
    const std::string refused = "RCP: Port Acquire - FAILED";
    struct Case {
        const char* variant;
        int acquireAnswer, releaseAnswer;
        int acquired;
        bool keptLoaded;
        int released, releaseCalls;
        std::vector<std::string> trace;
    } cases[] = {
        {"full", 1, 1, 1, true, 1, 1, {granted, "RCP: Port Release - TRUE\n"}},
        // A refused port keeps the library so that the release still reaches it.
        {"full", 0, 1, 0, true, 1, 1, {refused, "RCP: Port Release - TRUE\n"}},
        {"full", 1, 0, 1, true, 0, 1, {granted, "RCP: Port Release - FALSE\n"}},
        {"noacquire", 1, 1, 0, false, 0, 0, {refused}},
        {"norelease", 1, 1, 1, true, 0, 0, {granted}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.variant) + " " + std::to_string(c.acquireAnswer) + "/" +
                     std::to_string(c.releaseAnswer));
        clearTrace();
        fakes::Vexlink vexlink(c.variant);
        ASSERT_TRUE(vexlink.lib.loaded());
        vexlink.set(c.acquireAnswer, c.releaseAnswer);
        fakes::UseProgramFolder(c.variant);

        EXPECT_EQ(AcquirePort(panelContext.link, 8), c.acquired);
        EXPECT_EQ(panelContext.link.arbitrationLibrary != nullptr, c.keptLoaded);
        EXPECT_EQ(ReleasePort(panelContext.link, 8), c.released);
        EXPECT_EQ(ReleasePort(panelContext.link, 8), 0); // nothing left to release
        EXPECT_EQ(panelContext.link.arbitrationLibrary, nullptr);
        EXPECT_EQ(vexlink.releaseCalls(), c.releaseCalls);
        if (c.releaseCalls != 0) {
            EXPECT_EQ(vexlink.lastId(), 8);
        }
        EXPECT_EQ(traceLines(), c.trace);
        EXPECT_FALSE(vexlink.lib.heldElsewhere());
    }
}

} // namespace
