#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "model/phonebook_exchange.h"

#include "model/phonebook_import.h"
#include "protocol/machine_record.h"

// The vCard form of a phonebook: 3.0 written, 2.1, 3.0 and 4.0 read.

// Whether the text's first line that is not blank begins a card.
bool LooksLikeVcards(std::string_view text);

// The cards of UTF-8 text (without its byte order mark): name (FN, else N,
// else ORG) and every TEL with its types. A card cut short by the next
// BEGIN:VCARD or the text's end is left out and noted.
std::vector<AddressCard> ReadVcards(std::string_view text, std::vector<PhonebookImportNote>& notes);

// One card per single-number slot with a number, typed as a fax number,
// CRLF line ends.
std::string VcardPhonebookText(const MachineRecords& records);
