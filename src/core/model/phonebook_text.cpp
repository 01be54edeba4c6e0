#include "model/phonebook_text.h"

#include <algorithm>
#include <cstdint>

#include "protocol/phonebook.h"
#include "protocol/text_filter.h"

namespace {

constexpr int kNameFilter = 2;
constexpr int kNumberFilter = 6;

// Plain letters for U+00C0..U+00FF; the two signs there have none.
constexpr const char* kLatin1Letters[64] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",
    "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "SS",
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",
    "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "Y",
};

// U+0100..U+017F come in runs of one base letter.
struct LetterRun {
    const char* plain;
    int count;
};
constexpr LetterRun kExtendedARuns[] = {
    {"A", 6}, {"C", 8},  {"D", 4},  {"E", 10}, {"G", 8}, {"H", 4},  {"I", 10}, {"IJ", 2},
    {"J", 2}, {"K", 3},  {"L", 10}, {"N", 9},  {"O", 6}, {"OE", 2}, {"R", 6},  {"S", 8},
    {"T", 6}, {"U", 12}, {"W", 2},  {"Y", 3},  {"Z", 6}, {"S", 1},
};

std::string_view PlainLetters(char32_t c) {
    if (c == 0xA0) {
        return " ";
    }
    if (c >= 0xC0 && c <= 0xFF) {
        return kLatin1Letters[c - 0xC0];
    }
    if (c >= 0x100 && c <= 0x17F) {
        int left = static_cast<int>(c - 0x100);
        for (const LetterRun& run : kExtendedARuns) {
            if (left < run.count) {
                return run.plain;
            }
            left -= run.count;
        }
    }
    return {};
}

// Gives each character of utf8 to take as plain ASCII: a character below 0x80
// as it is (controls only with keepControls), any other as its plain letters.
template <typename Take>
void ForEachPlainChar(std::string_view utf8, bool keepControls, Take take) {
    for (size_t pos = 0; pos < utf8.size();) {
        const CodePoint c = NextCodePoint(utf8, pos);
        pos += c.length;
        if (!keepControls && (c.value < 0x20 || c.value == 0x7F)) {
            continue;
        }
        if (c.value < 0x80) {
            take(static_cast<char>(c.value));
            continue;
        }
        for (const char plain : PlainLetters(c.value)) {
            take(plain);
        }
    }
}

} // namespace

std::string EditorName(std::string_view utf8) {
    std::string out;
    // Backspace passes the filter, but it is no letter: no controls.
    ForEachPlainChar(utf8, false, [&](char c) {
        if (text_filter::Accepts(kNameFilter, static_cast<unsigned char>(c)) &&
            out.size() < static_cast<size_t>(kNameLength)) {
            out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
    });
    return out;
}

std::string FoldedText(std::string_view utf8) {
    std::string out;
    ForEachPlainChar(utf8, true, [&](char c) {
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return out;
}

std::string EditorNumber(std::string_view utf8) {
    std::string out;
    for (const char c : utf8) {
        // Bytes of longer characters are all 0x80 or above: never taken.
        if (c != '\b' && text_filter::Accepts(kNumberFilter, static_cast<unsigned char>(c)) &&
            out.size() < static_cast<size_t>(kNumberLength)) {
            out += c == 'p' ? 'P' : c;
        }
    }
    return out;
}

bool EditorAcceptsNumber(std::string_view number) {
    return number.size() >= 3 &&
           std::any_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}
