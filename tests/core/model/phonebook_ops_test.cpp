// Bounds of the table operations; their behaviour is driven through the
// windows in the C*_test.cpp files.
#include "model/phonebook_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "protocol/inquiry.h"
#include "support/core/context_fixture.h"

namespace {

class PhonebookOpsTest : public ContextTest {
  protected:
    void SetUp() override {
        ContextTest::SetUp();
        ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100));
    }
};

TEST_F(PhonebookOpsTest, TextsStayWithinTheirFieldsAndTheTable) {
    StoreSingleNumber(panelContext.records, 8, std::string(25, 'A'), std::string(50, '9'));
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[8]), std::string(20, 'A'));
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[8]), std::string(46, '9'));
    EXPECT_EQ(panelContext.records.phonebookTable[9].kind, 0); // the neighbour is untouched
    EXPECT_EQ(panelContext.records.phonebookTable[9].memberMark, 0);

    // Fields without a terminator, as a loaded file may hold them.
    std::memset(panelContext.records.phonebookTable[3].name, 'N',
                sizeof panelContext.records.phonebookTable[3].name);
    std::memset(panelContext.records.phonebookTable[3].number, '7',
                sizeof panelContext.records.phonebookTable[3].number);
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[3]).size(), 20u);
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[3]).size(), 46u);
    // The write's padding, kept by a file of a table that held it, is no number.
    std::memset(panelContext.records.phonebookTable[3].number + 7, 0xFF, 39);
    panelContext.records.phonebookTable[3].number[6] = ' ';
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[3]), "777777");

    // Delete and Delete All clear the name and number widths only.
    for (const bool all : {false, true}) {
        panelContext.records.phonebookTable[3].name[20] =
            panelContext.records.phonebookTable[3].number[46] = 'z';
        ASSERT_TRUE(all ? DeleteAllSlots(panelContext.records) == 0
                        : DeleteSlot(panelContext.records, 3, 1));
        EXPECT_EQ(SlotName(panelContext.records.phonebookTable[3]) +
                      SlotNumber(panelContext.records.phonebookTable[3]),
                  "")
            << all;
        EXPECT_EQ(std::string() + panelContext.records.phonebookTable[3].name[20] +
                      panelContext.records.phonebookTable[3].number[46],
                  "zz");
    }

    const uint8_t none[kMembersLength] = {};
    StoreSingleNumber(panelContext.records, 100, "X", "1");
    StoreGroup(panelContext.records, -1, "X", none);
    EXPECT_FALSE(DeleteSlot(panelContext.records, 100, 1));
    EXPECT_FALSE(DeleteSlot(panelContext.records, -1, 0));
}

TEST_F(PhonebookOpsTest, TableMatchesItsCopyUntilAKindMarkTextOrMemberChanges) {
    StoreSingleNumber(panelContext.records, 4, "DESK", "5550123");
    const std::vector<PhonebookEntry> copy = CopyOfTable(panelContext.records);
    ASSERT_EQ(copy.size(), static_cast<size_t>(PhonebookSlots(panelContext.records)));
    EXPECT_TRUE(TableMatches(panelContext.records, copy));

    // Bytes past a text's end are no change.
    panelContext.records.phonebookTable[4].name[10] = 'Z';
    panelContext.records.phonebookTable[4].number[30] = '9';
    EXPECT_TRUE(TableMatches(panelContext.records, copy));

    const auto changed = [this, &copy](auto change) {
        const std::vector<PhonebookEntry> saved = CopyOfTable(panelContext.records);
        change();
        const bool matches = TableMatches(panelContext.records, copy);
        std::copy(saved.begin(), saved.end(), panelContext.records.phonebookTable);
        return !matches;
    };
    EXPECT_TRUE(changed([this] { StoreSingleNumber(panelContext.records, 4, "DESK", "5550124"); }));
    EXPECT_TRUE(
        changed([this] { StoreSingleNumber(panelContext.records, 4, "DESKS", "5550123"); }));
    EXPECT_TRUE(changed([this] { panelContext.records.phonebookTable[5].memberMark = 1; }));
    EXPECT_TRUE(changed([this] {
        uint8_t members[kMembersLength] = {};
        SetMemberBit(members, kSpeedBitmapOffset, 4, true);
        StoreGroup(panelContext.records, 6, "", members);
    }));
    EXPECT_TRUE(TableMatches(panelContext.records, copy));
    EXPECT_FALSE(TableMatches(panelContext.records, {}));
}

TEST_F(PhonebookOpsTest, MembersBeyondTheCapacitiesAreNeverCounted) {
    uint8_t members[kMembersLength] = {};
    SetMemberBit(members, kSpeedBitmapOffset, 7, true);
    SetMemberBit(members, kSpeedBitmapOffset, 2, true);
    SetMemberBit(members, kSpeedBitmapOffset, 150, true);  // beyond S = 100
    SetMemberBit(members, kOneTouchBitmapOffset, 0, true); // no one-touch slots
    EXPECT_EQ(GroupMembers(panelContext.records, members, true), (std::vector<int>{2, 7}));
    panelContext.records.inquiryRecord = InquiryRecord{10, 90, 1, 2};
    EXPECT_EQ(GroupMembers(panelContext.records, members, true), (std::vector<int>{90, 2, 7}));

    // Deleting such a group releases only slots of the table.
    StoreGroup(panelContext.records, 20, "G", members);
    RecountGroupRefs(panelContext.records);
    ASSERT_TRUE(DeleteSlot(panelContext.records, 20, 1));
    EXPECT_EQ(panelContext.records.groupRefCount[2], 0);
    EXPECT_EQ(panelContext.records.groupRefCount[90], 0);
}

} // namespace
