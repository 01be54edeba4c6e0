#include "record_test_fixture.h"

#include <map>

namespace {

const ByteVector kGetRequest = {0x1B, 0xA4, 0x00, 0x06, 0x50, 0xE0, 0x82, 0xC1, 0x42, 0xFF};

// One wire record: slot number, kind, mark, name padded to 20, field of 46.
ByteVector Record(uint8_t slot, uint8_t kind, uint8_t mark, const std::string& name,
                  ByteVector field) {
    ByteVector r = {slot, kind, mark};
    ByteVector n = ToBytes(name);
    n.resize(20, 0x20);
    field.resize(46, 0x20);
    return Concat({r, n, field});
}

ByteVector GetHead(uint8_t count) {
    return {0x1B, 0xA4, 0x1A, 0xFB, 0x50, 0xE0, 0x82, 0xC1, 0x42, 0x00, count};
}

void SetNumber(MachineRecords& records, int index, const std::string& name,
               const std::string& number) {
    PhonebookEntry& e = records.phonebookTable[index];
    std::memset(&e, 0, sizeof e);
    std::snprintf(e.name, sizeof e.name, "%s", name.c_str());
    std::snprintf(e.number, sizeof e.number, "%s", number.c_str());
}

ByteVector TableBytes(const MachineRecords& records) {
    const auto* p = reinterpret_cast<const uint8_t*>(records.phonebookTable);
    return ByteVector(p, p + 70 * 100);
}

// A table with something in a few slots, to see what a read leaves alone.
void FillSomeSlots(MachineRecords& records) {
    SetNumber(records, 0, "OLD ZERO", "111");
    SetNumber(records, 4, "OLD FOUR", "444");
    SetNumber(records, 99, "OLD LAST", "999");
    records.phonebookTable[99].memberMark = 1;
}

using PhonebookCommandTest = RecordTest;

TEST_F(PhonebookCommandTest, SetRequestCarriesEverySlotWithFullWidthFieldsAndRawMembers) {
    SetNumber(panelContext.records, 2, "ALICE", "0123-456");
    const std::string name20 = "ABCDEFGHIJKLMNOPQRST";
    const std::string number46 = "0123456789012345678901234567890123456789012345";
    PhonebookEntry& full = panelContext.records.phonebookTable[7];
    std::memcpy(full.name, name20.data(), 20);
    std::memcpy(full.number, number46.data(), 46); // no terminator on the wire
    full.memberMark = 1;
    PhonebookEntry& g = panelContext.records.phonebookTable[10];
    g.kind = 1;
    std::snprintf(g.name, sizeof g.name, "TEAM");
    for (int i = 0; i < 46; ++i) {
        g.members[i] = static_cast<uint8_t>(i * 5 + (i == 30 ? 0xFF : 0)); // includes 0x00 and 0xFF
    }
    device->onRead({0x1B, 0xA4, 0x00, 0x06, 0x50, 0xE0, 0x82, 0xC2, 0x42, 0x00});
    uint32_t start = clock.tick();
    EXPECT_EQ(Mfp_SetPhonebook(panelContext.link, panelContext.records), 1);
    EXPECT_EQ(clock.tick() - start, 1000u);
    EXPECT_EQ(clock.slept(), 1000u);

    ByteVector request = device->written();
    ASSERT_EQ(request.size(), 6910u);
    EXPECT_EQ(Slice(request, 0, 10),
              (ByteVector{0x1B, 0xA4, 0x1A, 0xFA, 0x50, 0xE0, 0x82, 0xC2, 0x42, 100}));
    const std::map<int, ByteVector> filled = {
        {2, Concat({{3, 0, 0},
                    ToBytes("ALICE"),
                    Repeat(0x00, 15),
                    ToBytes("0123-456"),
                    Repeat(0xFF, 38)})},
        {7, Concat({{8, 0, 1}, ToBytes(name20), ToBytes(number46)})},
        {10, Concat({{11, 1, 0},
                     ToBytes("TEAM"),
                     Repeat(0x00, 16),
                     ByteVector(g.members, g.members + 46)})},
    };
    for (int k = 0; k < 100; ++k) {
        // An empty slot is k+1, 0, 0, twenty 0x00, forty-six 0xFF.
        const auto it = filled.find(k);
        EXPECT_EQ(
            Slice(request, 10 + 69 * k, 10 + 69 * (k + 1)),
            it != filled.end()
                ? it->second
                : Concat({{static_cast<uint8_t>(k + 1), 0, 0}, Repeat(0x00, 20), Repeat(0xFF, 46)}))
            << "slot " << k;
    }
    EXPECT_EQ(plainTraces(),
              (std::vector<std::string>{"===> SET PHONEBOOK <===\n", "WriteData = 6910 \n",
                                        "Size to read = 10 \n", "ReadData = 10 \n"}));
    EXPECT_EQ(dumpLines(), 2);
}

TEST_F(PhonebookCommandTest, AcknowledgementMustHaveTheHeadAndItsAnnouncedLength) {
    const std::vector<std::tuple<const char*, ByteVector, int>> acks = {
        {"ten announcing six", {0x1B, 0xA4, 0x00, 0x06, 1, 2, 3, 4, 5, 6}, 1},
        {"a bare head", {0x1B, 0xA4, 0x00, 0x00}, 1},
        {"four zeros", {0x00, 0x00, 0x00, 0x00}, 0},
        {"ten with another head", {0x1B, 0xA5, 0x00, 0x06, 1, 2, 3, 4, 5, 6}, 0},
        {"nothing", {}, 0},
        {"ten announcing seven", {0x1B, 0xA4, 0x00, 0x07, 1, 2, 3, 4, 5, 6}, 0},
        {"five announcing six", {0x1B, 0xA4, 0x00, 0x06, 1}, 0},
    };
    for (const auto& [what, ack, result] : acks) {
        freshDevice();
        device->onRead(ack);
        EXPECT_EQ(Mfp_SetPhonebook(panelContext.link, panelContext.records), result) << what;
    }
}

TEST_F(PhonebookCommandTest, ShortWriteIsRetriedOnce) {
    device->onWrite(5000).onWrite(1000);
    device->onRead({0x1B, 0xA4, 0x00, 0x06, 0, 0, 0, 0, 0, 0});
    // First pass: 5000 + 1000, the rest never goes: no answer is read.
    EXPECT_EQ(Mfp_SetPhonebook(panelContext.link, panelContext.records), 0);
    EXPECT_EQ(readCalls(), 0);
    EXPECT_EQ(plainTraces(),
              (std::vector<std::string>{"===> SET PHONEBOOK <===\n", "WriteData = 5000 \n",
                                        "WriteData(retry) = 1000 \n"}));
    EXPECT_EQ(clock.slept(), 1500u);

    // Second pass: the retry writes nothing, so it goes once more and completes.
    device->clearCalls();
    device->onWrite(6000).onWrite(0).onWrite(910);
    debug.lines.clear();
    EXPECT_EQ(Mfp_SetPhonebook(panelContext.link, panelContext.records), 1);
    EXPECT_EQ(device->writes().size(), 3u);
    EXPECT_EQ(device->written().size(), 6910u);
    EXPECT_EQ(plainTraces()[2], "WriteData(retry) = 0 \n");
}

TEST_F(PhonebookCommandTest, GetFillsTheNamedSlotsAndTrims) {
    FillSomeSlots(panelContext.records);
    ByteVector members(46, 0);
    members[0] = 0x90; // slots 0 and 3
    members[45] = 0x20;
    ByteVector records = Concat({
        Record(5, 0, 0, "BOB", ToBytes("555-0101")),     // padded with blanks
        Record(12, 1, 0, "GROUP ONE", members),          // members stay as they came
        Record(1, 0, 1, "ANNA   X", ToBytes("12 34  ")), // inner blanks stay
        // The padding the write puts after a number, as a machine keeps it.
        Record(7, 0, 0, "DAVE", Concat({ToBytes("5551234 "), Repeat(0xFF, 38)})),
    });
    records.resize(6900, 0);
    answer({GetHead(4), records});
    uint32_t start = clock.tick();
    ASSERT_EQ(Mfp_GetPhonebook(panelContext.link, panelContext.records), 1);
    EXPECT_EQ(clock.tick() - start, 2000u); // busy 1000, then sleep 1000
    EXPECT_EQ(clock.slept(), 2000u);        // the busy wait yields too
    EXPECT_EQ(device->written(), kGetRequest);

    const PhonebookEntry& bob = panelContext.records.phonebookTable[4];
    EXPECT_EQ(bob.kind, 0);
    EXPECT_STREQ(bob.name, "BOB");
    EXPECT_STREQ(bob.number, "555-0101");
    const PhonebookEntry& group = panelContext.records.phonebookTable[11];
    EXPECT_EQ(group.kind, 1);
    EXPECT_STREQ(group.name, "GROUP ONE");
    EXPECT_EQ(ByteVector(group.members, group.members + 46), members);
    const PhonebookEntry& anna = panelContext.records.phonebookTable[0];
    EXPECT_EQ(anna.memberMark, 1);
    EXPECT_STREQ(anna.name, "ANNA   X");
    EXPECT_STREQ(anna.number, "12 34");
    EXPECT_STREQ(panelContext.records.phonebookTable[6].number, "5551234");
    // Slots not in the answer keep what they had.
    EXPECT_STREQ(panelContext.records.phonebookTable[99].name, "OLD LAST");
    EXPECT_EQ(panelContext.records.phonebookTable[99].memberMark, 1);

    EXPECT_EQ(plainTraces(), (std::vector<std::string>{
                                 "===> GET PHONEBOOK <===\n", "WriteData = 10 \n",
                                 "ReadData = 11 \n", "Size to read = 6900 \n", "ReadData = 6900 \n",
                                 "Length = 6907 \n", "Number of entries = 4 \n"}));
    EXPECT_EQ(dumpLines(), 2 + 13); // the request, then 100 bytes of the answer
}

TEST_F(PhonebookCommandTest, ShortRecordDataIsReadAgainOnce) {
    ByteVector records = Record(2, 0, 0, "CARL", ToBytes("77"));
    records.resize(6900, 0);
    // First read brings 4000, the retry nothing, the second retry the rest.
    answer({GetHead(1), Slice(records, 0, 4000), {}, Slice(records, 4000, records.size())});
    ASSERT_EQ(Mfp_GetPhonebook(panelContext.link, panelContext.records), 1);
    EXPECT_STREQ(panelContext.records.phonebookTable[1].name, "CARL");
    EXPECT_EQ(clock.slept(), 3000u);
    auto lines = plainTraces();
    EXPECT_EQ(lines[4], "ReadData = 4000 \n");
    EXPECT_EQ(lines[5], "Retry Read(n) = 0 \n");
    EXPECT_EQ(readCalls(), 4);
}

// The count byte and the records that came decide; the announced length is
// only traced. A well-formed answer of no records is an empty phonebook.
TEST_F(PhonebookCommandTest, TheCountAndTheRecordsDecideNotTheAnnouncedLength) {
    const ByteVector three = Concat({Record(1, 0, 0, "A", ToBytes("1")),
                                     Record(2, 0, 0, "B", ToBytes("2")), Record(3, 0, 0, "C", {})});
    ByteVector lengthSix = GetHead(3), otherHead = GetHead(3);
    lengthSix[2] = 0x00;
    lengthSix[3] = 0x06;
    otherHead[1] = 0xA5;
    const std::tuple<ByteVector, ByteVector, int> cases[] = {
        {lengthSix, three, 1}, {GetHead(0), Repeat(0x41, 69), 1},
        {GetHead(0), {}, 1},   {GetHead(3), Slice(three, 0, 138), 0}, // two of three came
        {otherHead, three, 0},
    };
    for (const auto& [head, records, result] : cases) {
        freshDevice();
        FillSomeSlots(panelContext.records);
        const ByteVector before = TableBytes(panelContext.records);
        answer({head, records});
        EXPECT_EQ(Mfp_GetPhonebook(panelContext.link, panelContext.records), result);
        EXPECT_EQ(TableBytes(panelContext.records) != before, head == lengthSix);
    }
    EXPECT_STREQ(panelContext.records.phonebookTable[2].name, "C"); // from the first case
}

TEST_F(PhonebookCommandTest, RecordsOutsideTheTableAreSkipped) {
    FillSomeSlots(panelContext.records);
    ByteVector records = Concat({Record(0, 0, 0, "SLOT ZERO", ToBytes("0")),
                                 Record(101, 0, 0, "SLOT 101", ToBytes("101")),
                                 Record(255, 1, 0, "SLOT 255", Repeat(0xFF, 46)),
                                 Record(100, 0, 0, "SLOT 100", ToBytes("100"))});
    records.resize(6900, 0);
    answer({GetHead(4), records});
    EXPECT_EQ(Mfp_GetPhonebook(panelContext.link, panelContext.records), 1);
    EXPECT_STREQ(panelContext.records.phonebookTable[99].name, "SLOT 100");
    EXPECT_STREQ(panelContext.records.phonebookTable[0].name, "OLD ZERO");
}

TEST_F(PhonebookCommandTest, CountAboveTheTableReadsOnlyTheTable) {
    ByteVector records;
    for (int s = 1; s <= 100; ++s) {
        records = Concat({records, Record(static_cast<uint8_t>(s), 0, 0, "N" + std::to_string(s),
                                          ToBytes(std::to_string(s)))});
    }
    answer({GetHead(255), records, Repeat(0x77, 69)});
    ASSERT_EQ(Mfp_GetPhonebook(panelContext.link, panelContext.records), 1);
    EXPECT_STREQ(panelContext.records.phonebookTable[0].name, "N1");
    EXPECT_STREQ(panelContext.records.phonebookTable[99].number, "100");
    EXPECT_EQ(readCalls(), 2); // nothing is asked beyond the table
}

TEST_F(PhonebookCommandTest, TableOfOtherCapacities) {
    // 2 one-touch slots and 30 speed-dial slots in a 100-slot table: 32 travel.
    panelContext.records.inquiryRecord.capacityA = 2;
    panelContext.records.inquiryRecord.capacityB = 30;
    device->onRead({0x1B, 0xA4, 0x00, 0x06, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(Mfp_SetPhonebook(panelContext.link, panelContext.records), 1);
    ByteVector request = device->written();
    EXPECT_EQ(request.size(), 69u * 32 + 10);
    EXPECT_EQ(request[9], 32);
    // More slots than the table has: only the allocated ones travel.
    panelContext.records.inquiryRecord.capacityA = 56;
    panelContext.records.inquiryRecord.capacityB = 200;
    EXPECT_EQ(PhonebookSlots(panelContext.records), 100);
    EXPECT_EQ(SpeedDialSlots(panelContext.records), 100);
}

TEST(TrimRightTest, ReplacesOnlyTrailingBlanks) {
    char empty[4] = "";
    EXPECT_STREQ(TrimRight(empty), "");
    char blanks[8] = "     ";
    EXPECT_STREQ(TrimRight(blanks), "");
    EXPECT_EQ(blanks[0], 0);
    char inner[8] = "a b  ";
    EXPECT_EQ(TrimRight(inner), inner);
    EXPECT_STREQ(inner, "a b");
    EXPECT_EQ(inner[4], 0);
    char tab[8] = "ab\t";
    EXPECT_STREQ(TrimRight(tab), "ab\t");
    char high[8] = "ab\xFF";
    EXPECT_STREQ(TrimRight(high), "ab\xFF");
    char lead[8] = "  x";
    EXPECT_STREQ(TrimRight(lead), "  x");
}

class GroupRefTest : public RecordTest {
  protected:
    // Recounts; every slot not named in nonZero must count 0.
    void ExpectRefs(const std::map<int, int>& nonZero) {
        RecountGroupRefs(panelContext.records);
        for (int i = 0; i < 100; ++i) {
            const auto it = nonZero.find(i);
            EXPECT_EQ(panelContext.records.groupRefCount[i], it == nonZero.end() ? 0 : it->second)
                << i;
        }
    }
};

TEST_F(GroupRefTest, SpeedDialGroupCountsItsBitmapSlots) {
    PhonebookEntry& g = panelContext.records.phonebookTable[20];
    g.kind = 1;
    SetMemberBit(g.members, kSpeedBitmapOffset, 3, true);
    SetMemberBit(g.members, kSpeedBitmapOffset, 10, true);
    EXPECT_EQ(g.members[0], 0x10);
    EXPECT_EQ(g.members[1], 0x20);
    panelContext.records.groupRefCount[50] = 9; // stale
    ExpectRefs({{3, 1}, {10, 1}});
}

TEST_F(GroupRefTest, KindZeroSlotsAndBitsBeyondTheCapacityDoNotCount) {
    PhonebookEntry& single = panelContext.records.phonebookTable[1];
    std::memset(single.members, 0xFF, 46); // a number's bytes are no bitmap
    PhonebookEntry& g = panelContext.records.phonebookTable[2];
    g.kind = 2; // any non-zero kind is a group
    SetMemberBit(g.members, kSpeedBitmapOffset, 99, true);
    SetMemberBit(g.members, kSpeedBitmapOffset, 100, true); // beyond S
    SetMemberBit(g.members, kSpeedBitmapOffset, 199, true);
    std::memset(g.members + kOneTouchBitmapOffset, 0xFF, 7); // O is 0
    ExpectRefs({{99, 1}});
}

TEST_F(GroupRefTest, OneTouchSlotsCountTheirGroup) {
    panelContext.records.inquiryRecord.capacityA = 4; // slots 96..99 are one-touch slots
    panelContext.records.inquiryRecord.capacityB = 96;
    PhonebookEntry& speedGroup = panelContext.records.phonebookTable[5];
    speedGroup.kind = 1;
    SetMemberBit(speedGroup.members, kOneTouchBitmapOffset, 1, true); // slot 97
    SetMemberBit(speedGroup.members, kOneTouchBitmapOffset, 3, true); // slot 99
    SetMemberBit(speedGroup.members, kOneTouchBitmapOffset, 4, true); // beyond O
    SetMemberBit(speedGroup.members, kSpeedBitmapOffset, 96, true);   // a one-touch index
    panelContext.records.phonebookTable[96].kind = 1;
    panelContext.records.phonebookTable[96].members[0] = 5;
    panelContext.records.phonebookTable[98].kind = 1;
    panelContext.records.phonebookTable[98].members[0] = 5;
    panelContext.records.phonebookTable[97].kind = 1;
    panelContext.records.phonebookTable[97].members[0] = 200; // outside the table
    ExpectRefs({{5, 2}, {97, 1}, {99, 1}});
}

TEST(PhonebookTableTest, AllocationIsZeroedAndReplaceable) {
    PanelContext panelContext;
    ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 3));
    EXPECT_EQ(panelContext.records.phonebookSlotCount, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(RawBytes(panelContext.records.phonebookTable[i]), ByteVector(70, 0));
        EXPECT_EQ(panelContext.records.groupRefCount[i], 0);
    }
    panelContext.records.phonebookTable[2].kind = 7;
    ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100));
    EXPECT_EQ(panelContext.records.phonebookTable[2].kind, 0);
    EXPECT_FALSE(AllocatePhonebookTable(panelContext.records, 0));
    EXPECT_EQ(panelContext.records.phonebookTable, nullptr);
    EXPECT_EQ(PhonebookSlots(panelContext.records), 0);
    FreePhonebookTable(panelContext.records);
    FreePhonebookTable(panelContext.records); // twice is harmless
}

} // namespace
