#include "model/settings_numbers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    const auto fields = [](const NumberFields& f) {
        return std::vector<int>{f.discardSize, f.redialInterval, f.ringCount,
                                f.redialCount, f.zoom,           f.copies};
    };
    const struct {
        NumberFields typed;
        NumberFields kept;
        bool changed;
    } cases[] = {
        {{10, 3, 2, 3, 100, 1}, {10, 3, 2, 3, 100, 1}, false},
        {{31, 16, 50, 14, 401, 100}, {30, 15, 7, 13, 400, 99}, true},
        {{-1, 0, 0, -1, 10, 0}, {0, 1, 1, 0, 25, 1}, true},
    };
    for (auto [typed, kept, changed] : cases) {
        EXPECT_EQ(ClampNumberFields(typed), changed);
        EXPECT_EQ(fields(typed), fields(kept));
    }
}
