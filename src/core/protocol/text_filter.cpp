#include "protocol/text_filter.h"

namespace text_filter {

bool Accepts(int mode, unsigned c) {
    if (mode == 0) {
        return true;
    }
    if (c == 0x08) {
        return mode >= 1 && mode <= 7;
    }
    const bool digit = c >= '0' && c <= '9';
    switch (mode) {
    case 1:
    case 5:
        return digit || c == ' ' || c == '+';
    case 2: {
        const unsigned u = (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
        return (u >= 'A' && u <= 'Z') || digit || c == ' ' || c == '#' || c == '&' || c == '\'' ||
               c == '*' || c == '+' || c == ',' || c == '-' || c == '.' || c == '/';
    }
    case 3:
        return (c >= 'A' && c <= 'Z') || c == ' ' || c == '+';
    case 4:
        return digit;
    case 6:
        return digit || c == '#' || c == '*' || c == 'P' || c == 'p';
    case 7:
        return digit || c == ' ' || c == '+' || c == '-';
    default:
        return false;
    }
}

std::string_view Describe(int mode) {
    switch (mode) {
    case 0:
        return "any character";
    case 1:
    case 5:
        return "0-9, blank and +";
    case 2:
        return "A-Z, a-z, 0-9, blank and # & ' * + , - . /";
    case 3:
        return "A-Z, blank and +";
    case 4:
        return "0-9";
    case 6:
        return "0-9, # * P and p";
    case 7:
        return "0-9, blank, + and -";
    default:
        return "no character";
    }
}

} // namespace text_filter
