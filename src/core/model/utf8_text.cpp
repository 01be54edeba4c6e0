#include "model/utf8_text.h"

#include <cstdint>

CodePoint NextCodePoint(std::string_view text, size_t pos) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t b = byte(pos);
    if (b < 0x80) {
        return {b, 1, true};
    }
    size_t length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2, value = b & 0x1F, least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3, value = b & 0x0F, least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4, value = b & 0x07, least = 0x10000;
    } else {
        return {0xFFFD, 1, false};
    }
    if (text.size() - pos < length) {
        return {0xFFFD, 1, false};
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return {0xFFFD, 1, false};
        }
        value = (value << 6) | (byte(pos + i) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return {0xFFFD, 1, false};
    }
    return {value, length, true};
}

bool IsUtf8(std::string_view text) {
    for (size_t pos = 0; pos < text.size();) {
        const CodePoint c = NextCodePoint(text, pos);
        if (!c.valid) {
            return false;
        }
        pos += c.length;
    }
    return true;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto b = static_cast<uint8_t>(ch);
        if (b < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

std::optional<std::string_view> Utf8FileText(std::string_view text, size_t maxBytes) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    if (text.size() > maxBytes || !IsUtf8(text)) {
        return std::nullopt;
    }
    return text;
}

std::vector<std::string_view> TextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t i = 0; i < text.size();) {
        size_t end = i;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
            ++end;
        }
        lines.push_back(text.substr(i, end - i));
        if (end < text.size() && text[end] == '\r') {
            ++end;
        }
        if (end < text.size() && text[end] == '\n') {
            ++end;
        }
        i = end;
    }
    return lines;
}
