#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

using ByteVector = std::vector<uint8_t>;

// Bytes({0x1B, 0xA4, 0x00, 0x05}): a byte vector from small integers.
ByteVector Bytes(std::initializer_list<int> values);
// HexBytes("1B A4 00 05"): a byte vector from hexadecimal pairs; blanks,
// commas and "0x" prefixes are ignored. Throws on anything else.
ByteVector HexBytes(std::string_view text);
// ToBytes("ABC"): the bytes of a text.
ByteVector ToBytes(std::string_view text);
// Hex({0x1B, 0xA4}) == "1B A4": for readable failure messages.
std::string Hex(const ByteVector& bytes);
