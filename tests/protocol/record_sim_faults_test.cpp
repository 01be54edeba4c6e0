// The machine records against the simulated machine: healthy exchanges move
// the records unchanged in both directions; every fault leaves the record
// exactly as it was.
#include "record_test_fixture.h"
#include "sim/simulated_machine.h"

namespace {

class RecordSimTest : public RecordTest {
  protected:
    void SetUp() override {
        RecordTest::SetUp();
        sim::RegisterSimDevice();
        machine().reset();
        UseUsbDevice("sim:");
    }
    void TearDown() override {
        machine().reset();
        sim::UnregisterSimDevice();
        RecordTest::TearDown();
    }
    static sim::SimulatedMachine& machine() { return sim::InProcessMachine(); }

    // Cut points worth trying for an answer of `size` bytes.
    static std::vector<int> CutPoints(int size) { return {0, 3, 4, 5, 11, size / 2, size - 1}; }

    ByteVector TableBytes() const {
        const auto* p = reinterpret_cast<const uint8_t*>(PhonebookTable);
        return ByteVector(p, p + 70 * phonebookSlotCount);
    }
};

ByteVector SetupBytes(const SystemSetup& s) {
    ByteVector block(kSetupBlockSize);
    EncodeSystemSetup(s, block.data());
    return block;
}

ByteVector StatusBytes(const SystemStatus& s) {
    ByteVector block(kStatusBlockSize);
    EncodeSystemStatus(s, block.data());
    return block;
}

template <size_t N> ByteVector ToBytes(const std::array<uint8_t, N>& a) {
    return ByteVector(a.begin(), a.end());
}

TEST_F(RecordSimTest, SetupTravelsBothWays) {
    ASSERT_EQ(Mfp_GetSettings(), 1);
    EXPECT_EQ(SetupBytes(systemSetup), ToBytes(machine().setupBlock()));
    EXPECT_EQ(systemSetup.trayPaperSize, 2);

    systemSetup.zoom = 300;
    systemSetup.copies = 2;
    ASSERT_EQ(Mfp_SetSettings(), 1);
    ByteVector block = ToBytes(machine().setupBlock());
    EXPECT_EQ(ByteVector(block.begin() + 9, block.begin() + 13),
              (ByteVector{0x01, 0x2C, 0x00, 0x02}));
    EXPECT_EQ(block, SetupBytes(systemSetup));
    EXPECT_EQ(machine().requestLog().back(),
              Concat({{0x1B, 0xA4, 0x00, 0x1B, 0x50, 0xE0, 0x82, 0xC2, 0x41}, block}));
}

TEST_F(RecordSimTest, StatusTravelsBothWays) {
    ASSERT_EQ(Mfp_GetSystemStatus(), 1);
    ByteVector original = ToBytes(machine().statusBlock());
    EXPECT_EQ(StatusBytes(systemStatus), original);
    EXPECT_STREQ(systemStatus.machineId, "FRONT OFFICE        ");

    ASSERT_EQ(Mfp_SetSystemStatus(), 1);
    EXPECT_EQ(ToBytes(machine().statusBlock()), original); // nothing lost on the way back
    EXPECT_EQ(machine().requestLog().back(),
              Concat({{0x1B, 0xA4, 0x00, 0x4E, 0x50, 0xE0, 0x82, 0xC2, 0x40}, original}));
}

TEST_F(RecordSimTest, FaultyGetsLeaveTheirRecordAlone) {
    struct Case {
        sim::Command command;
        int answerSize;
        int (*get)();
        std::function<ByteVector()> record;
    };
    const std::vector<Case> cases = {
        {sim::Command::GetSetup, 32, Mfp_GetSettings, [] { return RawBytes(systemSetup); }},
        {sim::Command::GetStatus, 83, Mfp_GetSystemStatus, [] { return RawBytes(systemStatus); }},
        {sim::Command::GetInfo, 115, Mfp_GetMachineInfo, [] { return RawBytes(machineInfo); }},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<std::string, sim::Fault>> faults;
        faults.push_back({"silent", sim::Fault{.silent = true}});
        faults.push_back({"write refused", sim::Fault{.acceptWriteBytes = 4}});
        faults.push_back({"late", sim::Fault{.lateMs = 1500}});
        for (int cut : CutPoints(c.answerSize)) {
            faults.push_back({"cut to " + std::to_string(cut), sim::Fault{.cutAnswerTo = cut}});
        }
        for (const auto& [what, fault] : faults) {
            machine().reset();
            SetMachineRecordDefaults();
            machine().setFault(c.command, fault);
            ByteVector before = c.record();
            int result = c.get();
            std::string label = std::string(sim::CommandName(c.command)) + " " + what;
            EXPECT_EQ(result, 0) << label;
            EXPECT_EQ(c.record(), before) << label;
        }
        // With the fault gone the same command fills the record.
        machine().reset();
        SetMachineRecordDefaults();
        ByteVector before = c.record();
        EXPECT_EQ(c.get(), 1) << sim::CommandName(c.command);
        EXPECT_NE(c.record(), before) << sim::CommandName(c.command);
    }
}

TEST_F(RecordSimTest, WrongHeadIsNotTheMachinesAnswer) {
    for (sim::Command c : {sim::Command::GetSetup, sim::Command::GetStatus, sim::Command::GetInfo,
                           sim::Command::GetPhonebook}) {
        machine().setFault(c, sim::Fault{.wrongHead = true});
    }
    const ByteVector setup = RawBytes(systemSetup), status = RawBytes(systemStatus),
                     info = RawBytes(machineInfo), table = TableBytes();
    EXPECT_EQ(Mfp_GetSettings(), 0);
    EXPECT_EQ(Mfp_GetSystemStatus(), 0);
    EXPECT_EQ(Mfp_GetMachineInfo(), 0);
    EXPECT_EQ(Mfp_GetPhonebook(), 0);
    EXPECT_EQ(RawBytes(systemSetup), setup);
    EXPECT_EQ(RawBytes(systemStatus), status);
    EXPECT_EQ(RawBytes(machineInfo), info);
    EXPECT_EQ(TableBytes(), table);
    EXPECT_EQ(machine().queuedAnswerBytes(), 0u);
}

TEST_F(RecordSimTest, PhonebookReadFromTheMachine) {
    ASSERT_EQ(Mfp_GetPhonebook(), 1);
    RecountGroupRefs();
    EXPECT_STREQ(PhonebookTable[0].name, "Office");
    EXPECT_STREQ(PhonebookTable[0].number, "5550100");
    EXPECT_STREQ(PhonebookTable[7].name, "Head Office Paris");
    const PhonebookEntry& team = PhonebookTable[10];
    EXPECT_EQ(team.kind, 1);
    EXPECT_STREQ(team.name, "Team");
    EXPECT_EQ(team.members[0], 0xC8);
    for (int i = 0; i < 100; ++i) {
        bool member = i == 0 || i == 1 || i == 4;
        EXPECT_EQ(groupRefCount[i], member ? 1 : 0) << i;
        EXPECT_EQ(PhonebookTable[i].memberMark, member ? 1 : 0) << i;
    }
}

TEST_F(RecordSimTest, FaultyPhonebookReadsLeaveTheTableAlone) {
    std::vector<std::pair<std::string, sim::Fault>> faults = {
        {"silent", sim::Fault{.silent = true}},
        {"late", sim::Fault{.lateMs = 1500}},
        {"write refused", sim::Fault{.acceptWriteBytes = 4}},
    };
    for (int cut : {0, 10, 11, 22, 11 + 69 * 3, 11 + 69 * 50 + 30, 6910}) {
        faults.push_back({"cut to " + std::to_string(cut), sim::Fault{.cutAnswerTo = cut}});
    }
    for (const auto& [what, fault] : faults) {
        machine().reset();
        std::memset(PhonebookTable, 0, 7000);
        std::snprintf(PhonebookTable[0].name, 21, "KEEP ME");
        PhonebookTable[3].kind = 1;
        PhonebookTable[3].members[2] = 0x40;
        machine().setFault(sim::Command::GetPhonebook, fault);
        ByteVector before = TableBytes();
        EXPECT_EQ(Mfp_GetPhonebook(), 0) << what;
        EXPECT_EQ(TableBytes(), before) << what;
    }
}

TEST_F(RecordSimTest, PhonebookWriteReachesTheMachine) {
    ASSERT_EQ(Mfp_GetPhonebook(), 1);
    std::snprintf(PhonebookTable[3].name, 21, "New Entry");
    std::snprintf(PhonebookTable[3].number, 47, "0123456789012345678901234567890123456789012345");
    std::memset(&PhonebookTable[0], 0, 70);
    std::vector<ByteVector> before;
    for (size_t k = 0; k < 100; ++k) {
        before.push_back(ToBytes(machine().slotRecord(k)));
    }
    machine().clearLog();
    ASSERT_EQ(Mfp_SetPhonebook(), 1);
    for (size_t k = 1; k < 100; ++k) {
        if (k != 3) {
            EXPECT_EQ(ToBytes(machine().slotRecord(k)), before[k]) << "slot " << k;
        }
    }
    EXPECT_EQ(machine().slotName(3), "New Entry");
    EXPECT_EQ(machine().slotNumber(3), "0123456789012345678901234567890123456789012345");
    EXPECT_EQ(machine().slotName(0), "");
    EXPECT_EQ(machine().slotKind(10), 1);
    ByteVector request = machine().requestLog().back();
    EXPECT_EQ(request.size(), 6910u);
    EXPECT_EQ(ByteVector(request.begin(), request.begin() + 4),
              (ByteVector{0x1B, 0xA4, 0x1A, 0xFA}));
}

TEST_F(RecordSimTest, ClosedPortFailsEveryCommandQuietly) {
    machine().setOpenRefused(true);
    ByteVector setup = RawBytes(systemSetup), status = RawBytes(systemStatus),
               info = RawBytes(machineInfo), table = TableBytes();
    EXPECT_EQ(Mfp_GetSettings(), 0);
    EXPECT_EQ(Mfp_SetSettings(), 0);
    EXPECT_EQ(Mfp_GetSystemStatus(), 0);
    EXPECT_EQ(Mfp_SetSystemStatus(), 0);
    EXPECT_EQ(Mfp_GetMachineInfo(), 0);
    EXPECT_EQ(Mfp_GetPhonebook(), 0);
    EXPECT_EQ(Mfp_SetPhonebook(), 0);
    EXPECT_EQ(RawBytes(systemSetup), setup);
    EXPECT_EQ(RawBytes(systemStatus), status);
    EXPECT_EQ(RawBytes(machineInfo), info);
    EXPECT_EQ(TableBytes(), table);
}

} // namespace
