#pragma once
#include <string_view>

// The characters the panel's text fields take, by filter mode (0..7). The
// window's edits filter typed characters with them, faxrcp-cli the texts it
// sends; the record table names each text field's mode.
//
//   mode 0: everything           mode 4: 0-9
//   mode 1: 0-9 blank +          mode 5: 0-9 blank +
//   mode 2: A-Z a-z 0-9 blank # & ' * + , - . /
//   mode 3: A-Z blank +          mode 6: 0-9 # * P p
//                                mode 7: 0-9 blank + -
namespace text_filter {

// Would mode take character code c (below 0x80)? Backspace (8) passes in
// modes 1 to 7, every other character of another mode value is refused.
bool Accepts(int mode, unsigned c);

// The characters of a mode in words, for messages: "0-9, blank and +".
std::string_view Describe(int mode);

} // namespace text_filter
