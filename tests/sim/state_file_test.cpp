#include "sim/state_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "support/platform/platform_fixture.h"
#include "support/platform/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class StateFileTest : public PlatformTest {
  protected:
    TempDir dir;
};

TEST_F(StateFileTest, EverythingSurvivesTheRoundTrip) {
    sim::SimulatedMachine a;
    a.setCapacities(4, 30);
    a.setMachineClass(3);
    sim::SetupBlock setup{};
    setup[0] = 0xAB;
    setup[21] = 0x01;
    a.setSetupBlock(setup);
    sim::StatusBlock status{};
    status[72] = 0xFF;
    a.setStatusBlock(status);
    a.setSlotNumber(33, "One-touch \x7F\xE9", "#*0123");
    sim::Members m{};
    m[0] = 0x80;
    m[36] = 0x40; // one-touch slot 1
    a.setSlotGroup(5, "Group", m);

    const std::string path = dir.file("state.ini");
    ASSERT_TRUE(sim::SaveState(a, path));
    sim::SimulatedMachine b;
    ASSERT_TRUE(sim::LoadState(b, path));
    EXPECT_EQ(b.capacityA(), 4);
    EXPECT_EQ(b.capacityB(), 30);
    EXPECT_EQ(b.machineClass(), 3);
    EXPECT_EQ(b.setupBlock(), setup);
    EXPECT_EQ(b.statusBlock(), status);
    EXPECT_EQ(b.infoBlock(), a.infoBlock());
    ASSERT_EQ(b.slotCount(), 34u);
    for (size_t i = 0; i < 34; ++i) {
        EXPECT_EQ(b.slotRecord(i), a.slotRecord(i)) << "slot " << i;
    }
    EXPECT_EQ(b.slotMark(31), 1); // one-touch slot 1 of the group
    EXPECT_EQ(b.slotMark(0), 1);
}

TEST_F(StateFileTest, FileIsReadableText) {
    sim::SimulatedMachine a;
    const std::string text = sim::StateToText(a);
    EXPECT_NE(text.find("machineClass = 2"), std::string::npos);
    EXPECT_NE(text.find("# 1: Office | 5550100"), std::string::npos);
    EXPECT_NE(text.find("# 11: Team | group"), std::string::npos);
}

TEST_F(StateFileTest, BadLinesAreSkippedAndGoodOnesKept) {
    sim::SimulatedMachine m;
    const sim::SetupBlock before = m.setupBlock();
    const std::string text = "[machine]\n"
                             "machineClass = 999\n"
                             "capacityB = 20\n"
                             "garbage without equals\n"
                             "[setup]\n"
                             "block = 01 02 03\n" // too short
                             "[status]\n"
                             "block = ZZ\n"
                             "[phonebook]\n"
                             "0 = 00\n"
                             "300 = 00\n"
                             "2 = 00 41 42 43 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                             "31 32 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                             "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                             "00 00\n";
    std::vector<std::string> skipped;
    EXPECT_TRUE(sim::StateFromText(m, text, &skipped));
    ASSERT_EQ(skipped.size(), 6u); // each named
    EXPECT_EQ(skipped[5].rfind("line 11: ", 0), 0u) << skipped[5];
    EXPECT_EQ(m.machineClass(), 2);
    EXPECT_EQ(m.capacityB(), 20);
    EXPECT_EQ(m.setupBlock(), before);
    EXPECT_EQ(m.slotName(0), ""); // the phonebook section replaces the slots
    EXPECT_EQ(m.slotName(1), "ABC");
    EXPECT_EQ(m.slotNumber(1), "12");
}

TEST_F(StateFileTest, MissingOrEmptyFileChangesNothing) {
    sim::SimulatedMachine m;
    EXPECT_FALSE(sim::LoadState(m, dir.file("absent.ini")));
    std::ofstream(dir.file("empty.ini")) << "# nothing\n";
    EXPECT_FALSE(sim::LoadState(m, dir.file("empty.ini")));
    EXPECT_EQ(m.slotName(0), "Office");
}

TEST_F(StateFileTest, AtomicWriteLeavesTheOldFileWhenItCannotWrite) {
    const std::string path = dir.file("f.txt");
    ASSERT_TRUE(sim::WriteFileAtomically(path, "old"));
    EXPECT_FALSE(sim::WriteFileAtomically(dir.file("no/such/f.txt"), "x"));
    EXPECT_EQ(dir.read("f.txt"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

} // namespace
