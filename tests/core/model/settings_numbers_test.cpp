#include "model/settings_numbers.h"

#include <gtest/gtest.h>

#include <string>

using namespace settings_numbers;

TEST(SettingsNumbers, LeadingDigitsGiveTheValueAndLongRunsSaturate) {
    EXPECT_EQ(LeadingDecimal(""), 0);
    EXPECT_EQ(LeadingDecimal(" 5"), 0);
    EXPECT_EQ(LeadingDecimal("12x4"), 12);
    EXPECT_EQ(LeadingDecimal("400"), 400);
    const int value = LeadingDecimal(std::string(200, '9'));
    EXPECT_GT(value, 400);
    EXPECT_LT(value, 100000000);
}

TEST(SettingsNumbers, EachFieldIsBroughtToItsOwnLimits) {
    NumberFields fields{10, 3, 2, 3, 100, 1};
    EXPECT_FALSE(ClampNumberFields(fields));

    NumberFields high{31, 16, 50, 14, 401, 100};
    EXPECT_TRUE(ClampNumberFields(high));
    EXPECT_EQ(high.discardSize, 30);
    EXPECT_EQ(high.redialInterval, 15);
    EXPECT_EQ(high.ringCount, 7);
    EXPECT_EQ(high.redialCount, 13);
    EXPECT_EQ(high.zoom, 400);
    EXPECT_EQ(high.copies, 99);

    NumberFields low{-1, 0, 0, -1, 10, 0};
    EXPECT_TRUE(ClampNumberFields(low));
    EXPECT_EQ(low.discardSize, 0);
    EXPECT_EQ(low.redialInterval, 1);
    EXPECT_EQ(low.ringCount, 1);
    EXPECT_EQ(low.redialCount, 0);
    EXPECT_EQ(low.zoom, 25);
    EXPECT_EQ(low.copies, 1);
}
