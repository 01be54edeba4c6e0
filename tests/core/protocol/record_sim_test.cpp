// The machine records against the simulated machine: healthy exchanges move
// the records unchanged in both directions. What each fault does to each
// command is the fault matrix's (tests/e2e/fault_matrix_test.cpp).
#include "protocol/record_registry.h"
#include "record_test_fixture.h"
#include "sim/simulated_machine.h"

namespace {

class RecordSimTest : public RecordTest {
  protected:
    void SetUp() override {
        RecordTest::SetUp();
        sim::RegisterSimDevice();
        machine().reset();
        UseUsbDevice(panelContext.link, "sim:");
    }
    void TearDown() override {
        machine().reset();
        sim::UnregisterSimDevice();
        RecordTest::TearDown();
    }
    static sim::SimulatedMachine& machine() { return sim::InProcessMachine(); }
};

template <size_t N> ByteVector BlockBytes(const std::array<uint8_t, N>& a) {
    return ByteVector(a.begin(), a.end());
}

// Every record of the registry: the simulated machine answers its get, takes
// its set and gives back what it took.
TEST_F(RecordSimTest, EveryRecordTravelsBothWays) {
    for (const RecordEntry& r : RecordRegistry()) {
        SCOPED_TRACE(r.name);
        const RecordDescriptor& d = r.descriptor;
        ASSERT_EQ(r.get(panelContext.link, panelContext.records), 1);
        ByteVector block(d.blockSize);
        EncodeFields(d, r.record(panelContext.records), block.data());
        EXPECT_NE(block, ByteVector(d.blockSize, 0));
        if (!r.Settable()) {
            continue;
        }
        ASSERT_EQ(r.set(panelContext.link, panelContext.records), 1);
        const auto head = d.SetHead();
        EXPECT_EQ(machine().requestLog().back(),
                  Concat({ByteVector(head.begin(), head.end()), block}));
        ASSERT_EQ(r.get(panelContext.link, panelContext.records), 1);
        ByteVector again(d.blockSize);
        EncodeFields(d, r.record(panelContext.records), again.data());
        EXPECT_EQ(again, block); // nothing lost on the way back
    }
    EXPECT_EQ(BlockBytes(machine().setupBlock())[2], 2); // A4 paper: the machine's own values
    EXPECT_STREQ(panelContext.records.systemStatus.machineId, "FRONT OFFICE        ");
}

TEST_F(RecordSimTest, PhonebookReadFromTheMachine) {
    ASSERT_EQ(Mfp_GetPhonebook(panelContext.link, panelContext.records), 1);
    RecountGroupRefs(panelContext.records);
    EXPECT_STREQ(panelContext.records.phonebookTable[0].name, "Office");
    EXPECT_STREQ(panelContext.records.phonebookTable[0].number, "5550100");
    EXPECT_STREQ(panelContext.records.phonebookTable[7].name, "Head Office Paris");
    const PhonebookEntry& team = panelContext.records.phonebookTable[10];
    EXPECT_EQ(team.kind, 1);
    EXPECT_STREQ(team.name, "Team");
    EXPECT_EQ(team.members[0], 0xC8);
    for (int i = 0; i < 100; ++i) {
        bool member = i == 0 || i == 1 || i == 4;
        EXPECT_EQ(panelContext.records.groupRefCount[i], member ? 1 : 0) << i;
        EXPECT_EQ(panelContext.records.phonebookTable[i].memberMark, member ? 1 : 0) << i;
    }
}

TEST_F(RecordSimTest, PhonebookWriteReachesTheMachine) {
    ASSERT_EQ(Mfp_GetPhonebook(panelContext.link, panelContext.records), 1);
    std::snprintf(panelContext.records.phonebookTable[3].name, 21, "New Entry");
    std::snprintf(panelContext.records.phonebookTable[3].number, 47,
                  "0123456789012345678901234567890123456789012345");
    std::memset(&panelContext.records.phonebookTable[0], 0, 70);
    std::vector<ByteVector> before;
    for (size_t k = 0; k < 100; ++k) {
        before.push_back(BlockBytes(machine().slotRecord(k)));
    }
    machine().clearLog();
    ASSERT_EQ(Mfp_SetPhonebook(panelContext.link, panelContext.records), 1);
    for (size_t k = 1; k < 100; ++k) {
        if (k != 3) {
            EXPECT_EQ(BlockBytes(machine().slotRecord(k)), before[k]) << "slot " << k;
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

// A well-formed acknowledgement costs no read-back; without one the record is
// read back once (what each fault then gives is the fault matrix's).
TEST_F(RecordSimTest, OnlyAWriteWithoutAProperAcknowledgementIsReadBack) {
    using sim::Command;
    using Write = int (*)(LinkState&, const MachineRecords&);
    const std::tuple<Command, Write, Command> writes[] = {
        {Command::SetSetup,
         [](LinkState& l, const MachineRecords& r) { return Mfp_SetSettings(l, r.systemSetup); },
         Command::GetSetup},
        {Command::SetStatus,
         [](LinkState& l, const MachineRecords& r) {
             return Mfp_SetSystemStatus(l, r.systemStatus);
         },
         Command::GetStatus},
        {Command::SetPhonebook, Mfp_SetPhonebook, Command::GetPhonebook}};
    for (const auto& [set, routine, get] : writes) {
        for (const bool acknowledged : {true, false}) {
            machine().setFault(set, sim::Fault{.cutAnswerTo = acknowledged ? -1 : 0});
            machine().clearLog();
            EXPECT_EQ(routine(panelContext.link, panelContext.records), 1);
            std::vector<Command> log = {set, get};
            log.resize(acknowledged ? 1 : 2);
            EXPECT_EQ(machine().commandLog(), log);
        }
    }
}

// Two contexts in one process: a read through one fills its record only, and
// the other, whose port points nowhere, reads nothing.
TEST_F(RecordSimTest, ContextsShareNoState) {
    PanelContext other;
    SetMachineRecordDefaults(other.records);
    const SystemSetup before = other.records.systemSetup;
    ASSERT_EQ(Mfp_GetSettings(panelContext.link, panelContext.records.systemSetup), 1);
    EXPECT_EQ(Mfp_GetSettings(other.link, other.records.systemSetup), 0);
    EXPECT_EQ(std::memcmp(&other.records.systemSetup, &before, sizeof before), 0);
    EXPECT_NE(std::memcmp(&panelContext.records.systemSetup, &before, sizeof before), 0);
}

} // namespace
