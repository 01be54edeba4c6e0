#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A phonebook file: a 40-byte head beginning "VRN FAX-RCP Phonebook", then
// the raw table, 70 bytes a slot.
constexpr int kPhonebookFileHeadSize = 40;

// Writes the head and the table: 1 when every byte reached the file. Writes
// to a temporary file beside the target and renames it over the target only
// then; on failure the old file is untouched.
int WritePhonebookFile(const std::string& path);

// Loads the table from a file: 1 when the file opened, is at least 40 bytes
// long and its magic text matched. A short file fills the slots it reaches;
// the rest keep their contents. groupRefCount is not touched.
int ReadPhonebookFile(const std::string& path);

// What a phonebook file holds for the table in use, read before any slot
// changes: the bytes after the head, never more than the table's size.
struct PhonebookFileContents {
    std::vector<uint8_t> table;
    int wholeSlots() const;
    // Bytes of a last slot that the file cuts short; 0 when it has none.
    int partialSlotBytes() const;
};

// Reads the file as ReadPhonebookFile does, without touching the table;
// nullopt where ReadPhonebookFile gives 0.
std::optional<PhonebookFileContents> ReadPhonebookFileContents(const std::string& path);

// Puts the slots the file holds whole into the table; the others keep their
// contents. Returns how many slots changed.
int LoadWholeSlots(const PhonebookFileContents& contents);
