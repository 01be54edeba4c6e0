#include "model/advanced_codes.h"

#include <algorithm>
#include <cstring>

namespace advanced_codes {

namespace {
// Two list positions stand for codes beyond the list's length.
constexpr int kPositionOf11 = 3;
constexpr int kPositionOf12 = 7;
} // namespace

int LanguagePosition(uint8_t code) {
    if (code == 11) {
        return kPositionOf11;
    }
    if (code == 12) {
        return kPositionOf12;
    }
    return code < kLanguageItems ? code : -1;
}

uint8_t LanguageCode(int position) {
    if (position == kPositionOf11) {
        return 11;
    }
    if (position == kPositionOf12) {
        return 12;
    }
    return static_cast<uint8_t>(position);
}

PowerSaveView PowerSaveFromRecord(uint8_t value) {
    if (value == 0) {
        return {0, 0, true};
    }
    return {1, value - 1, false};
}

bool PowerSaveToRecord(int pair, int minutesPosition, uint8_t& value) {
    if (pair == 0) {
        value = 0;
        return true;
    }
    if (pair == 1 && minutesPosition >= 0 && minutesPosition < kMinutesItems) {
        value = static_cast<uint8_t>(minutesPosition + 1);
        return true;
    }
    return false;
}

void UpperAscii(std::u16string& text) {
    for (char16_t& c : text) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
}

std::size_t RemoveNonAscii(std::u16string& text) {
    const auto before = text.size();
    std::erase_if(text, [](char16_t c) { return c >= 0x80; });
    return before - text.size();
}

void StoreText(char* field, std::size_t width, std::string_view text) {
    std::memset(field, 0, width + 1);
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

} // namespace advanced_codes
