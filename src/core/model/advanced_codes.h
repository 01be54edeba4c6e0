#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Plain rules of the Advanced page: how record codes become list positions
// and back, and how the texts are repaired and stored.
namespace advanced_codes {

constexpr int kLanguageItems = 9;
constexpr int kMinutesItems = 5;

// The list position that shows a language code; -1 when no item stands for it.
int LanguagePosition(uint8_t code);
// The code a language list position stands for.
uint8_t LanguageCode(int position);

// What the power-save pair and minutes list show for a record value.
// keepMinutes: the minutes list keeps whatever it showed (power save off).
struct PowerSaveView {
    int pair; // 0 Off, 1 On
    int minutes;
    bool keepMinutes;
};
PowerSaveView PowerSaveFromRecord(uint8_t value);

// The record value for the pair and the minutes position; false when the
// controls name no value (no button or no minutes chosen), so the record
// keeps what it holds.
bool PowerSaveToRecord(int pair, int minutesPosition, uint8_t& value);

// Texts as the fields hold them, in UTF-16 code units.
// Upper-cases the letters a-z only; every other character stays.
void UpperAscii(std::u16string& text);

// Removes every character of code 0x80 or above; returns how many went.
std::size_t RemoveNonAscii(std::u16string& text);

// Clears the field over its full width (width + 1 bytes, the terminator
// included) and copies at most width bytes of the text into it.
void StoreText(char* field, std::size_t width, std::string_view text);

} // namespace advanced_codes
