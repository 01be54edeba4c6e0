#pragma once
#include <string>
#include <string_view>

#include "model/utf8_text.h"

// The entry editor's rules applied to text that other programs wrote (UTF-8),
// and the machine's bytes, which the panel shows as Latin-1, back to UTF-8.

// A name as the entry editor takes it: accented Latin letters as their plain
// letters (é E, ß SS, æ AE), what the editor refuses left out, capitals, at
// most kNameLength characters.
std::string EditorName(std::string_view utf8);

// Text to compare without regard to case or accents: ASCII letters in lower
// case, accented Latin letters as their plain letters, other characters that
// are no ASCII left out.
std::string FoldedText(std::string_view utf8);

// A number as the entry editor takes it: 0-9 # * P (p becomes P), at most
// kNumberLength characters.
std::string EditorNumber(std::string_view utf8);

// Whether the editor would store number (already through EditorNumber): at
// least three characters, one of them a digit.
bool EditorAcceptsNumber(std::string_view number);

// text without the blanks and tabs around it.
std::string TrimBlanks(std::string_view text);
