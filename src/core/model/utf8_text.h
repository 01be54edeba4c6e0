#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text that other programs and people write is UTF-8; the machine's bytes are
// shown as Latin-1.

struct CodePoint {
    char32_t value;
    size_t length;
    bool valid;
};

// The character at text[pos] (pos below the size); a malformed sequence
// counts as one bad byte.
CodePoint NextCodePoint(std::string_view text, size_t pos);

// Well-formed UTF-8: no stray, overlong or surrogate sequences, nothing past
// U+10FFFF.
bool IsUtf8(std::string_view text);

// Each byte as the Latin-1 character of its value.
std::string Latin1ToUtf8(std::string_view bytes);

// The text of a file people write: without a leading byte order mark;
// nullopt when it is longer than maxBytes or no UTF-8.
std::optional<std::string_view> Utf8FileText(std::string_view text, size_t maxBytes);

// The lines of text, ended by CR LF, LF or CR, without their ends.
std::vector<std::string_view> TextLines(std::string_view text);
