#include "pages/advanced_codes.h"

#include <gtest/gtest.h>

#include <array>

using namespace advanced_codes;

TEST(AdvancedCodes, LanguageCodesElevenAndTwelveSitAtPositionsThreeAndSeven) {
    EXPECT_EQ(LanguagePosition(11), 3);
    EXPECT_EQ(LanguagePosition(12), 7);
    EXPECT_EQ(LanguagePosition(3), 3);
    EXPECT_EQ(LanguagePosition(7), 7);
    EXPECT_EQ(LanguagePosition(8), 8);
    EXPECT_EQ(LanguagePosition(0), 0);
    EXPECT_EQ(LanguageCode(3), 11);
    EXPECT_EQ(LanguageCode(7), 12);
    EXPECT_EQ(LanguageCode(8), 8);
}

TEST(AdvancedCodes, LanguageCodesWithoutAnItemShowNoSelection) {
    for (int code : {9, 10, 13, 200, 255}) {
        EXPECT_EQ(LanguagePosition(static_cast<uint8_t>(code)), -1) << code;
    }
}

TEST(AdvancedCodes, EveryLanguagePositionSurvivesTheRoundTrip) {
    for (int p = 0; p < kLanguageItems; ++p) {
        EXPECT_EQ(LanguagePosition(LanguageCode(p)), p);
    }
}

TEST(AdvancedCodes, PowerSaveShowsOffOrOnWithItsMinutes) {
    const PowerSaveView off = PowerSaveFromRecord(0);
    EXPECT_EQ(off.pair, 0);
    EXPECT_TRUE(off.keepMinutes);
    const PowerSaveView four = PowerSaveFromRecord(4);
    EXPECT_EQ(four.pair, 1);
    EXPECT_EQ(four.minutes, 3);
    EXPECT_FALSE(four.keepMinutes);
}

TEST(AdvancedCodes, PowerSaveStoresOffOnOrNothing) {
    uint8_t value = 4;
    ASSERT_TRUE(PowerSaveToRecord(0, 3, value));
    EXPECT_EQ(value, 0);
    ASSERT_TRUE(PowerSaveToRecord(1, 0, value));
    EXPECT_EQ(value, 1);
    ASSERT_TRUE(PowerSaveToRecord(1, 4, value));
    EXPECT_EQ(value, 5);

    value = 9;
    EXPECT_FALSE(PowerSaveToRecord(1, -1, value));
    EXPECT_FALSE(PowerSaveToRecord(-1, 2, value));
    EXPECT_EQ(value, 9);
}

TEST(AdvancedCodes, UpperCasingTouchesOnlyAsciiLetters) {
    std::u16string text = u"ab-z9 \u00e9x";
    UpperAscii(text);
    EXPECT_EQ(text, u"AB-Z9 \u00e9X");
}

TEST(AdvancedCodes, NonAsciiCharactersAreRemovedAndCounted) {
    std::u16string text = u"\u00c9AB\u20acC\u00ff";
    EXPECT_EQ(RemoveNonAscii(text), 3u);
    EXPECT_EQ(text, u"ABC");
    std::u16string plain = u"ABC";
    EXPECT_EQ(RemoveNonAscii(plain), 0u);
}

TEST(AdvancedCodes, StoredTextClearsTheWholeFieldAndStaysInsideIt) {
    std::array<char, 23> buffer;
    buffer.fill('x');
    StoreText(buffer.data(), 20, "ABC");
    EXPECT_EQ(std::string(buffer.data()), "ABC");
    for (int i = 3; i < 21; ++i) {
        EXPECT_EQ(buffer[i], '\0') << i;
    }
    EXPECT_EQ(buffer[21], 'x');

    StoreText(buffer.data(), 5, "1234567890");
    EXPECT_EQ(std::string(buffer.data()), "12345");
    EXPECT_EQ(buffer[5], '\0');
}
