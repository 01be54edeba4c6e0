#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "model/phonebook_exchange.h"

// The vCard form of a phonebook: 3.0 written, 2.1, 3.0 and 4.0 read.

// What a card brings: its name (FN, else N) and its first number.
struct VcardContact {
    int line = 0; // where BEGIN:VCARD stands
    std::string name;
    std::string number; // empty when the card has no TEL
};

// Whether the text's first line that is not blank begins a card.
bool LooksLikeVcards(std::string_view text);

// The cards of UTF-8 text (without its byte order mark).
std::vector<VcardContact> ReadVcards(std::string_view text);

// One card per single-number slot with a number, CRLF line ends.
std::string VcardPhonebookText();

// Puts the cards into the free speed-dial slots.
PhonebookImport ImportVcards(const std::vector<VcardContact>& contacts);
