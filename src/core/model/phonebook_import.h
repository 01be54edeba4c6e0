#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "model/phonebook_exchange.h"
#include "protocol/phonebook.h"

// What the CSV and vCard imports share.

// For each slot of the table, whether some group holds it.
std::vector<bool> HeldSlots();

// A name or number from a file for the slot, as the entry editor takes it;
// the change, if any, noted.
std::string ImportedName(std::string_view text, int line, int slot,
                         std::vector<PhonebookImportNote>& notes);
std::string ImportedNumber(std::string_view text, int line, int slot,
                           std::vector<PhonebookImportNote>& notes);

// A number the editor would refuse, noted (kBadNumber, kNoNumber): true when
// the slot cannot take it.
bool RefuseNumber(std::string_view text, std::string_view name, int line, int slot,
                  std::vector<PhonebookImportNote>& notes);

// Slots that differ from before.
int ChangedSlots(const std::vector<PhonebookEntry>& before);
