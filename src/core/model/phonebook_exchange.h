#pragma once
#include "model/file_error.h"
#include "protocol/machine_record.h"
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Phonebooks to and from other programs' address books: CSV (RFC 4180) and
// vCard (2.1, 3.0 and 4.0). Exports are UTF-8; imports also take UTF-16 with a
// byte order mark and, when the bytes are no UTF-8, Windows-1252 (noted).
//
// CSV: a header line "slot,kind,name,number,members", then one line per used
// slot. slot is the list's slot number (the table index), kind "single" or
// "group", members the group's member slots separated by blanks. An import
// replaces the slots its lines name and leaves the others.
//
// Address books: vCards, and the CSV files mail programs and spreadsheets
// write (their header names a name and a fax or phone column; "," ";" or tab
// between fields). Each card or row gives one number: a fax number, else a
// work number, else a preferred one, else the first; it goes into the next
// free speed-dial slot, unless the book already holds the number.
// Export writes one card per single-number slot, typed as a fax number.
//
// Imported names and numbers follow the entry editor's rules: names in
// capitals, cut to the slot's length, accented letters as their plain letters
// (é becomes E); numbers keep only the characters the editor takes (a "p"
// becomes "P"), a leading "+" becomes the international access prefix, and
// blanks, "-", ".", "/" and parentheses go. Every other change or skip is
// noted.

enum class PhonebookFormat { kCsv, kVcard };

// By the name's extension: ".vcf" or ".vcard" (any case) is vCard, anything
// else CSV.
PhonebookFormat PhonebookFormatForName(const std::string& path);

// The table as file text.
std::string ExportPhonebookText(const MachineRecords& records, PhonebookFormat format);

// One thing an import changed on the way or left out, for the user's list.
struct PhonebookImportNote {
    enum class Kind {
        kNameChanged,   // before: the file's name, after: what the slot got
        kNumberChanged, // the same for the number
        kNoNumber,      // skipped: the card or line has no number
        kBadNumber,     // skipped: the number is too short or has no digit (after: what was left)
        kDuplicate,     // skipped: the book already holds the number (slot: where)
        kNoRoom,        // skipped: no free speed-dial slot was left
        kSlotInUse,     // skipped: a CSV line would empty or regroup a slot a group holds
        kTookWork,      // the card has no fax number: its work number was taken
        kTookPreferred, // ... its preferred number
        kTookFirst,     // ... its first number
        kNoFax,         // skipped (fax numbers only): the card has no fax number
        kExtension,     // the number's extension (after) was dropped
        kUnterminated,  // skipped: a card without END:VCARD; reading goes on at the next
        kWindows1252,   // the file is no UTF-8 and was read as Windows-1252
    };
    Kind kind;
    int line;           // the file's line where the card or CSV line starts
    int slot;           // the slot it went to or concerns; -1 when none
    std::string before; // UTF-8
    std::string after;  // UTF-8
};

// A CSV line that makes the whole import refused.
struct PhonebookImportProblem {
    int line;
    std::string message; // English
};

struct PhonebookImport {
    FileError error = FileError::kNone;
    PhonebookFormat format = PhonebookFormat::kCsv;
    int slotsChanged = 0;
    int notFitted = 0;        // address books: cards left out for want of a free slot
    bool addressBook = false; // vCards or a mail program's CSV, not our own CSV
    std::vector<PhonebookImportNote> notes;
    std::vector<PhonebookImportProblem> problems; // kProblems
};

// How address books are taken in.
struct PhonebookImportOptions {
    std::string internationalPrefix = "00"; // what a leading "+" becomes
    bool faxOnly = false;                   // cards without a fax number are left out
};

// An international access prefix the machine can dial: 1 to 4 digits.
bool IsInternationalPrefix(std::string_view text);

// Imports text (its format found from its content) into the records' table;
// on success the group reference counts are recounted, as after a read. On an
// error the table is unchanged.
PhonebookImport ImportPhonebookText(MachineRecords& records, std::string_view text,
                                    const PhonebookImportOptions& options = {});

// Reads a regular file and imports it as ImportPhonebookText does.
PhonebookImport ImportPhonebookFile(MachineRecords& records, const std::string& path,
                                    const PhonebookImportOptions& options = {});

// Saves ExportPhonebookText whole (platform::SaveFile).
FileError ExportPhonebookFile(const MachineRecords& records, const std::string& path,
                              PhonebookFormat format);

// A note in one English line for faxrcp-cli: "line 4: name "Émile" became "EMILE"".
// Text from the file is cut and its control characters escaped (ShownFileText).
std::string DescribeImportNote(const PhonebookImportNote& note);

// Text from a file as a message may show it: at most 40 characters, then
// "...", control characters and bytes that are no UTF-8 as \xNN.
std::string ShownFileText(std::string_view utf8);

// What an import understands, for the message that refuses a file.
extern const char* const kImportableFormats;

// For faxrcp-cli, which reads and checks a file before it opens the machine.

// Files longer than this are no phonebook (kWrongContent).
constexpr size_t kMaxPhonebookTextBytes = size_t{4} << 20;

// The text of a regular file as ImportPhonebookFile reads it: kNone, or why
// it cannot be read (kWrongContent when it is too long).
FileError ReadPhonebookTextFile(const std::string& path, std::string& text);

// Checks text as ImportPhonebookText does, before any table exists: its
// format, and CSV lines with slot numbers below 255 (the machine's own count
// is checked by the import). error is kNone, kWrongContent or kProblems.
PhonebookImport CheckPhonebookText(std::string_view text);

// Whether ExportPhonebookFile could write path, checked without writing.
FileError CheckPhonebookExportTarget(const std::string& path);
