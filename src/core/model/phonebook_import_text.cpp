#include <cstdint>

#include "model/phonebook_import.h"
#include "model/phonebook_text.h"
#include "model/utf8_text.h"

namespace {

// Windows-1252 0x80..0x9F; 0 where the code page leaves a code unused.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    const auto unit = [&](size_t i) {
        const auto a = static_cast<uint8_t>(bytes[i]);
        const auto b = static_cast<uint8_t>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xDC00 && c <= 0xDFFF) {
            return std::nullopt;
        }
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 3 >= bytes.size() || unit(i + 2) < 0xDC00 || unit(i + 2) > 0xDFFF) {
                return std::nullopt;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        }
        AppendUtf8(out, c);
    }
    return out;
}

bool Separator(char c) {
    return c == ' ' || c == '\t' || c == '-' || c == '.' || c == '/' || c == '(' || c == ')';
}

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Cuts an extension off the end of text: ";ext=12", "x12", "ext. 12".
std::string CutExtension(std::string& text) {
    std::string lower;
    for (const char c : text) {
        lower += Lower(c);
    }
    if (const size_t at = lower.find(";ext="); at != std::string::npos) {
        std::string extension = TrimBlanks(text.substr(at + 5));
        text.erase(at);
        return extension;
    }
    size_t end = text.size();
    while (end > 0 && Digit(text[end - 1])) {
        --end;
    }
    if (end == text.size()) {
        return {};
    }
    size_t mark = end;
    while (mark > 0 && (text[mark - 1] == ' ' || text[mark - 1] == '.' || text[mark - 1] == ':')) {
        --mark;
    }
    size_t word = mark;
    while (word > 0 && lower[word - 1] >= 'a' && lower[word - 1] <= 'z') {
        --word;
    }
    const std::string_view w = std::string_view(lower).substr(word, mark - word);
    const bool isMark = w == "x" || w == "ext" || w == "extn" || w == "extension";
    // The mark follows a number, not a word ("Box 12").
    if (!isMark || word == 0 || !(Digit(text[word - 1]) || Separator(text[word - 1]))) {
        return {};
    }
    std::string extension = text.substr(end);
    text.erase(word);
    return extension;
}

} // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto b = static_cast<uint8_t>(ch);
        const char16_t mapped = b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : 0;
        AppendUtf8(out, mapped != 0 ? mapped : b);
    }
    return out;
}

std::optional<ImportText> DecodeImportText(std::string_view bytes, size_t maxBytes) {
    if (bytes.size() > maxBytes) {
        return std::nullopt;
    }
    ImportText text;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        std::optional<std::string> utf8 = Utf16ToUtf8(bytes.substr(2), bytes[0] == '\xFE');
        if (!utf8) {
            return std::nullopt;
        }
        text.utf8 = std::move(*utf8);
        return text;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    text.windows1252 = !IsUtf8(bytes);
    text.utf8 = text.windows1252 ? Windows1252ToUtf8(bytes) : std::string(bytes);
    return text;
}

DialNumber DialableNumber(std::string_view utf8, std::string_view prefix) {
    DialNumber out;
    std::string text = TrimBlanks(utf8);
    out.extension = CutExtension(text);
    size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '(')) {
        ++start;
    }
    if (start < text.size() && text[start] == '+') {
        text.erase(start, 1);
        out.number = prefix;
    }
    for (const char c : text) {
        if (Separator(c)) {
            continue;
        }
        const std::string taken = EditorNumber(std::string_view(&c, 1));
        out.changed = out.changed || taken.empty();
        out.number += taken;
    }
    if (out.number.size() > static_cast<size_t>(kNumberLength)) {
        out.number.resize(static_cast<size_t>(kNumberLength));
        out.changed = true;
    }
    return out;
}

bool IsInternationalPrefix(std::string_view text) {
    return !text.empty() && text.size() <= 4 &&
           std::string(text).find_first_not_of("0123456789") == std::string::npos;
}
