#include "phonebook/phonebook_ops.h"

#include <gtest/gtest.h>

#include <cstring>

#include "protocol/inquiry.h"

namespace {

class PhonebookOpsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        inquiryRecord = InquiryRecord{0, 100, 1, 2};
        ASSERT_TRUE(AllocatePhonebookTable(100));
        ClearIncludeState();
    }
    void TearDown() override { FreePhonebookTable(); }

    static void SetNumber(int i, const char* name, const char* number) {
        std::strcpy(PhonebookTable[i].name, name);
        std::strcpy(PhonebookTable[i].number, number);
    }
    static void SetSpeedGroup(int i, const char* name, std::initializer_list<int> members) {
        PhonebookTable[i].kind = 1;
        std::strcpy(PhonebookTable[i].name, name);
        for (int m : members)
            SetMemberBit(PhonebookTable[i].members, kSpeedBitmapOffset, m, true);
    }
    static bool SlotIsEmpty(int i) {
        const auto* b = reinterpret_cast<const uint8_t*>(&PhonebookTable[i]);
        for (int k = 0; k < kPhonebookEntrySize; ++k)
            if (b[k] != 0)
                return false;
        return true;
    }
};

TEST_F(PhonebookOpsTest, ClickRulesFollowTheSlotKind) {
    EditButtonStates states{false, false};
    ApplyClickRules(PhonebookTable[0], states); // empty slot
    EXPECT_TRUE(states.edit);
    EXPECT_TRUE(states.groupDial);

    SetNumber(1, "ANNA", "0123");
    ApplyClickRules(PhonebookTable[1], states);
    EXPECT_TRUE(states.edit);
    EXPECT_FALSE(states.groupDial);

    SetSpeedGroup(2, "TEAM", {1});
    ApplyClickRules(PhonebookTable[2], states);
    EXPECT_FALSE(states.edit);
    EXPECT_TRUE(states.groupDial);
}

TEST_F(PhonebookOpsTest, NameWithoutNumberKeepsTheButtonsAndUnnamedGroupNeverOffersEdit) {
    SetNumber(4, "NO NUMBER", "");
    EditButtonStates states{false, true};
    ApplyClickRules(PhonebookTable[4], states);
    EXPECT_FALSE(states.edit);
    EXPECT_TRUE(states.groupDial);
    states = {true, false};
    ApplyClickRules(PhonebookTable[4], states);
    EXPECT_TRUE(states.edit);
    EXPECT_FALSE(states.groupDial);

    // A group without a name whose first member byte is zero (members only
    // from slot 8 on) must not open the entry editor over its member field.
    SetSpeedGroup(5, "", {20});
    states = {true, true};
    ApplyClickRules(PhonebookTable[5], states);
    EXPECT_FALSE(states.edit);
    EXPECT_TRUE(states.groupDial);
}

TEST_F(PhonebookOpsTest, StoreSingleNumberKeepsKindAndMarkAndBoundsTheTexts) {
    PhonebookTable[7].memberMark = 1;
    SetNumber(7, "OLD NAME LONGER", "0123456789");
    StoreSingleNumber(7, "NEW", "55");
    EXPECT_EQ(SlotName(PhonebookTable[7]), "NEW");
    EXPECT_EQ(SlotNumber(PhonebookTable[7]), "55");
    EXPECT_EQ(PhonebookTable[7].memberMark, 1);
    // Nothing of the old texts stays behind the terminators.
    EXPECT_EQ(PhonebookTable[7].name[4], 0);
    EXPECT_EQ(PhonebookTable[7].number[3], 0);

    StoreSingleNumber(8, std::string(25, 'A'), std::string(50, '9'));
    EXPECT_EQ(SlotName(PhonebookTable[8]), std::string(20, 'A'));
    EXPECT_EQ(SlotNumber(PhonebookTable[8]), std::string(46, '9'));
    EXPECT_EQ(PhonebookTable[8].name[20], 0);
    EXPECT_EQ(PhonebookTable[8].number[46], 0);
    EXPECT_EQ(PhonebookTable[9].kind, 0); // the neighbour is untouched
    EXPECT_TRUE(SlotIsEmpty(9));
}

TEST_F(PhonebookOpsTest, SlotTextsNeverRunPastTheirFields) {
    std::memset(PhonebookTable[3].name, 'N', sizeof PhonebookTable[3].name);
    std::memset(PhonebookTable[3].number, '7', sizeof PhonebookTable[3].number);
    EXPECT_EQ(SlotName(PhonebookTable[3]).size(), 20u);
    EXPECT_EQ(SlotNumber(PhonebookTable[3]).size(), 46u);
    PhonebookTable[3].kind = 2; // any non-zero kind is a group
    EXPECT_EQ(SlotNumberColumn(PhonebookTable[3]), "*GROUP DIAL*");
}

TEST_F(PhonebookOpsTest, StoreGroupWithoutMembersEmptiesAnUnmarkedSlot) {
    SetNumber(12, "WAS A NUMBER", "0123");
    uint8_t none[kMembersLength] = {};
    StoreGroup(12, "EMPTY GROUP", none);
    EXPECT_TRUE(SlotIsEmpty(12));

    PhonebookTable[13].memberMark = 1;
    StoreGroup(13, "KEPT", none);
    EXPECT_EQ(PhonebookTable[13].kind, 1);
    EXPECT_EQ(PhonebookTable[13].memberMark, 1);
    EXPECT_EQ(SlotName(PhonebookTable[13]), "KEPT");

    uint8_t some[kMembersLength] = {};
    SetMemberBit(some, kSpeedBitmapOffset, 3, true);
    StoreGroup(14, "SOME", some);
    EXPECT_EQ(PhonebookTable[14].kind, 1);
    EXPECT_EQ(0, std::memcmp(PhonebookTable[14].members, some, kMembersLength));
    EXPECT_EQ(PhonebookTable[14].members[46], 0);
}

TEST_F(PhonebookOpsTest, DeletingASpeedDialGroupReleasesItsMembers) {
    SetNumber(3, "THREE", "333");
    SetNumber(10, "TEN", "1010");
    SetSpeedGroup(20, "G1", {3, 10});
    SetSpeedGroup(21, "G2", {10});
    PhonebookTable[3].memberMark = 1;
    PhonebookTable[10].memberMark = 1;
    RecountGroupRefs();
    ASSERT_EQ(groupRefCount[3], 1);
    ASSERT_EQ(groupRefCount[10], 2);

    EXPECT_TRUE(DeleteSlot(20, 1));
    EXPECT_TRUE(SlotIsEmpty(20));
    EXPECT_EQ(groupRefCount[3], 0);
    EXPECT_EQ(PhonebookTable[3].memberMark, 0); // its last group is gone
    EXPECT_EQ(groupRefCount[10], 1);
    EXPECT_EQ(PhonebookTable[10].memberMark, 1); // G2 still holds it
    EXPECT_EQ(SlotName(PhonebookTable[3]), "THREE");
}

TEST_F(PhonebookOpsTest, DeleteRefusesHeldOrMarkedSlots) {
    SetNumber(3, "THREE", "333");
    SetSpeedGroup(20, "G1", {3});
    RecountGroupRefs();
    EXPECT_FALSE(DeleteSlot(3, 1));
    EXPECT_EQ(SlotNumber(PhonebookTable[3]), "333");

    SetNumber(4, "FOUR", "444");
    PhonebookTable[4].memberMark = 1;
    EXPECT_FALSE(DeleteSlot(4, 1));
    EXPECT_EQ(SlotNumber(PhonebookTable[4]), "444");

    EXPECT_FALSE(DeleteSlot(-1, 1));
    EXPECT_FALSE(DeleteSlot(100, 1));

    SetNumber(5, "FIVE", "555");
    EXPECT_TRUE(DeleteSlot(5, 1));
    EXPECT_TRUE(SlotIsEmpty(5));
}

TEST_F(PhonebookOpsTest, DeleteAllKeepsAMarkedGroupAndItsMembers) {
    SetNumber(3, "THREE", "333");
    SetNumber(10, "TEN", "1010");
    SetNumber(11, "LOOSE", "1111");
    SetSpeedGroup(20, "HELD", {3, 10});
    PhonebookTable[20].memberMark = 1;
    SetSpeedGroup(30, "FREE", {11});
    RecountGroupRefs();

    EXPECT_EQ(DeleteAllSlots(), 3); // slots 3, 10 and 20
    EXPECT_EQ(SlotNumber(PhonebookTable[3]), "333");
    EXPECT_EQ(SlotNumber(PhonebookTable[10]), "1010");
    EXPECT_EQ(PhonebookTable[20].kind, 1);
    EXPECT_TRUE(MemberBit(PhonebookTable[20].members, kSpeedBitmapOffset, 3));
    EXPECT_EQ(groupRefCount[3], 1);
    EXPECT_TRUE(SlotIsEmpty(11));
    EXPECT_TRUE(SlotIsEmpty(30));
    EXPECT_EQ(groupRefCount[11], 0);
}

TEST_F(PhonebookOpsTest, GroupMembersListOneTouchFirstAndStayInCapacity) {
    uint8_t members[kMembersLength] = {};
    SetMemberBit(members, kSpeedBitmapOffset, 7, true);
    SetMemberBit(members, kSpeedBitmapOffset, 2, true);
    SetMemberBit(members, kSpeedBitmapOffset, 150, true);  // beyond S = 100
    SetMemberBit(members, kOneTouchBitmapOffset, 0, true); // no one-touch slots
    EXPECT_EQ(GroupMembers(members, true), (std::vector<int>{2, 7}));

    inquiryRecord = InquiryRecord{10, 90, 1, 2};
    EXPECT_EQ(GroupMembers(members, true), (std::vector<int>{90, 2, 7}));

    uint8_t oneTouch[kMembersLength] = {};
    EXPECT_TRUE(GroupMembers(oneTouch, false).empty()); // 0 names no group
    oneTouch[0] = 12;
    EXPECT_EQ(GroupMembers(oneTouch, false), (std::vector<int>{12}));
}

TEST_F(PhonebookOpsTest, OfferedSlotsAreSingleNumbersNotYetIncluded) {
    SetNumber(1, "ONE", "111");
    SetNumber(2, "NAME ONLY", "");
    SetSpeedGroup(3, "GROUP", {1});
    SetNumber(4, "FOUR", "444");
    includeState[4] = kIncluded;
    SetNumber(5, "FIVE", "555");
    includeState[5] = kRemoved; // removed in this run: offered again
    uint8_t members[kMembersLength] = {};
    EXPECT_FALSE(OfferedForGroup(0, members, true));
    EXPECT_TRUE(OfferedForGroup(1, members, true));
    EXPECT_FALSE(OfferedForGroup(2, members, true));
    EXPECT_FALSE(OfferedForGroup(3, members, true));
    EXPECT_FALSE(OfferedForGroup(4, members, true));
    EXPECT_TRUE(OfferedForGroup(5, members, true));
    EXPECT_FALSE(OfferedForGroup(100, members, true));

    EXPECT_TRUE(OfferedForGroup(3, members, false));
    members[0] = 3;
    EXPECT_FALSE(OfferedForGroup(3, members, false));
    EXPECT_FALSE(OfferedForGroup(1, members, false));
}

TEST_F(PhonebookOpsTest, MemberFieldIsRebuiltFromIncludedSlots) {
    includeState[0] = kIncluded;
    includeState[9] = kIncluded;
    includeState[99] = kIncluded;
    includeState[5] = kRemoved;
    uint8_t members[kMembersLength];
    std::memset(members, 0xAA, sizeof members);
    BuildMemberField(members, true);
    uint8_t expected[kMembersLength] = {};
    expected[0] = 0x80;  // slot 0
    expected[1] = 0x40;  // slot 9
    expected[12] = 0x10; // slot 99
    EXPECT_EQ(0, std::memcmp(members, expected, kMembersLength));

    // One-touch mode: the highest included speed-dial group wins.
    BuildMemberField(members, false);
    uint8_t oneTouch[kMembersLength] = {};
    oneTouch[0] = 99;
    EXPECT_EQ(0, std::memcmp(members, oneTouch, kMembersLength));
}

} // namespace
