#include "pages/settings_numbers.h"

#include <gtest/gtest.h>

using namespace settings_numbers;

namespace {

NumberFields InRange() { return {10, 3, 2, 3, 100, 1}; }

} // namespace

TEST(SettingsNumbers, LeadingDigitsGiveTheValue) {
    EXPECT_EQ(LeadingDecimal(""), 0);
    EXPECT_EQ(LeadingDecimal("abc"), 0);
    EXPECT_EQ(LeadingDecimal(" 5"), 0);
    EXPECT_EQ(LeadingDecimal("12x4"), 12);
    EXPECT_EQ(LeadingDecimal("007"), 7);
    EXPECT_EQ(LeadingDecimal("400"), 400);
}

TEST(SettingsNumbers, EndlessDigitsSaturateInsteadOfOverflowing) {
    const int value = LeadingDecimal(std::string(200, '9'));
    EXPECT_GT(value, 400);
    EXPECT_LT(value, 100000000);
}

TEST(SettingsNumbers, ValuesInRangeStayAndReportNoChange) {
    NumberFields fields = InRange();
    EXPECT_FALSE(ClampNumberFields(fields));
    EXPECT_EQ(fields.ringCount, 2);
    EXPECT_EQ(fields.zoom, 100);
}

TEST(SettingsNumbers, EachFieldIsBroughtToItsOwnLimits) {
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

TEST(SettingsNumbers, DiscardSizeZeroCountsAsAChangeSoTheFieldShowsIt) {
    NumberFields fields = InRange();
    fields.discardSize = 0;
    EXPECT_TRUE(ClampNumberFields(fields));
    EXPECT_EQ(fields.discardSize, 0);
}

TEST(SettingsNumbers, ArrowsEnforceOnlyTheLimitInTheirDirection) {
    EXPECT_EQ(StepArrow(400, Arrow::Up, kZoomRange), 400);
    EXPECT_EQ(StepArrow(25, Arrow::Down, kZoomRange), 25);
    EXPECT_EQ(StepArrow(10, Arrow::Up, kZoomRange), 11);
    EXPECT_EQ(StepArrow(500, Arrow::Down, kZoomRange), 499);
    EXPECT_EQ(StepArrow(7, Arrow::Up, kRingCountRange), 7);
    EXPECT_EQ(StepArrow(0, Arrow::Down, kDiscardSizeRange), 0);
    EXPECT_EQ(StepArrow(5, Arrow::Other, kCopiesRange), 5);
}
