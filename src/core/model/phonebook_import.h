#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/phonebook_exchange.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"

// What the CSV and vCard imports share.

// For each slot of the table, whether some group holds it.
std::vector<bool> HeldSlots(const MachineRecords& records);

// A name from a file for the slot, as the entry editor takes it; the change,
// if any, noted.
std::string ImportedName(std::string_view text, int line, int slot,
                         std::vector<PhonebookImportNote>& notes);

// A number from a file as the machine dials it: a leading "+" as prefix, the
// usual separators (blank - . / parentheses) dropped, an extension (";ext=",
// "x123") cut off, then the entry editor's characters, at most kNumberLength.
struct DialNumber {
    std::string number;
    std::string extension; // what was cut off, without its mark
    bool changed = false;  // more than the prefix, separators, case or extension
};
DialNumber DialableNumber(std::string_view utf8, std::string_view prefix);

// DialableNumber with its changes noted (kNumberChanged, kExtension).
std::string ImportedNumber(std::string_view text, int line, int slot, std::string_view prefix,
                           std::vector<PhonebookImportNote>& notes);

// A number the editor would refuse, noted (kBadNumber, kNoNumber): true when
// the slot cannot take it.
bool RefuseNumber(std::string_view text, std::string_view name, int line, int slot,
                  std::string_view prefix, std::vector<PhonebookImportNote>& notes);

// Slots that differ from before.
int ChangedSlots(const MachineRecords& records, const std::vector<PhonebookEntry>& before);

// The text of an address-book file as UTF-8: without a byte order mark,
// UTF-16 with one converted, bytes that are no UTF-8 taken as Windows-1252.
// nullopt when it is longer than maxBytes or broken UTF-16.
struct ImportText {
    std::string utf8;
    bool windows1252 = false;
};
std::optional<ImportText> DecodeImportText(std::string_view bytes, size_t maxBytes);

// Bytes in Windows-1252 (Latin-1 where it leaves a code unused) as UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);

// One number of a card or of a CSV row, and what its types say.
struct CardNumber {
    std::string text; // as the file has it, UTF-8
    bool fax = false;
    bool work = false;
    bool preferred = false;
};

// One contact of an address book: a vCard or a row of a mail program's CSV.
struct AddressCard {
    int line = 0; // where the card or row starts
    std::string name;
    std::vector<CardNumber> numbers; // in file order
};

// Index into numbers of the one that goes into the phonebook: a fax number,
// else a work number, else a preferred one, else the first; -1 when none.
int ChosenNumber(const std::vector<CardNumber>& numbers);

// Puts the cards into the free speed-dial slots, after the notes the reading
// made.
PhonebookImport ImportCards(MachineRecords& records, const std::vector<AddressCard>& cards,
                            const PhonebookImportOptions& options,
                            std::vector<PhonebookImportNote> notes);
