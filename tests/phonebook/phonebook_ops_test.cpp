// Bounds of the table operations; their behaviour is driven through the
// windows in the C*_test.cpp files.
#include "model/phonebook_ops.h"

#include <gtest/gtest.h>

#include <cstring>

#include "protocol/inquiry.h"
#include "support/platform_fixture.h"

namespace {

class PhonebookOpsTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_TRUE(AllocatePhonebookTable(100));
    }
};

TEST_F(PhonebookOpsTest, TextsStayWithinTheirFieldsAndTheTable) {
    StoreSingleNumber(8, std::string(25, 'A'), std::string(50, '9'));
    EXPECT_EQ(SlotName(PhonebookTable[8]), std::string(20, 'A'));
    EXPECT_EQ(SlotNumber(PhonebookTable[8]), std::string(46, '9'));
    EXPECT_EQ(PhonebookTable[9].kind, 0); // the neighbour is untouched
    EXPECT_EQ(PhonebookTable[9].memberMark, 0);

    // Fields without a terminator, as a loaded file may hold them.
    std::memset(PhonebookTable[3].name, 'N', sizeof PhonebookTable[3].name);
    std::memset(PhonebookTable[3].number, '7', sizeof PhonebookTable[3].number);
    EXPECT_EQ(SlotName(PhonebookTable[3]).size(), 20u);
    EXPECT_EQ(SlotNumber(PhonebookTable[3]).size(), 46u);

    const uint8_t none[kMembersLength] = {};
    StoreSingleNumber(100, "X", "1");
    StoreGroup(-1, "X", none);
    EXPECT_FALSE(DeleteSlot(100, 1));
    EXPECT_FALSE(DeleteSlot(-1, 0));
}

TEST_F(PhonebookOpsTest, MembersBeyondTheCapacitiesAreNeverCounted) {
    uint8_t members[kMembersLength] = {};
    SetMemberBit(members, kSpeedBitmapOffset, 7, true);
    SetMemberBit(members, kSpeedBitmapOffset, 2, true);
    SetMemberBit(members, kSpeedBitmapOffset, 150, true);  // beyond S = 100
    SetMemberBit(members, kOneTouchBitmapOffset, 0, true); // no one-touch slots
    EXPECT_EQ(GroupMembers(members, true), (std::vector<int>{2, 7}));
    inquiryRecord = InquiryRecord{10, 90, 1, 2};
    EXPECT_EQ(GroupMembers(members, true), (std::vector<int>{90, 2, 7}));

    // Deleting such a group releases only slots of the table.
    StoreGroup(20, "G", members);
    RecountGroupRefs();
    ASSERT_TRUE(DeleteSlot(20, 1));
    EXPECT_EQ(groupRefCount[2], 0);
    EXPECT_EQ(groupRefCount[90], 0);
}

} // namespace
