#pragma once
#include "model/file_error.h"
#include "protocol/machine_record.h"
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A phonebook file: a 40-byte head beginning "VRN FAX-RCP Phonebook", then
// the raw table, 70 bytes a slot.
constexpr int kPhonebookFileHeadSize = 40;

// Writes the head and the table: 1 when every byte reached the file. A
// symbolic link is followed to the file it finally names; that file gets a
// complete new copy written and synced beside it, which then takes its
// place, with the old file's mode and, where the system allows, owner. On
// failure the old file is untouched and error (when given) says why.
int WritePhonebookFile(const MachineRecords& records, const std::string& path,
                       FileError* error = nullptr);

// Whether a save to path could write its file, checked as WritePhonebookFile
// checks it but without writing anything: kNone when it could.
FileError CheckPhonebookFileTarget(const std::string& path);

// The bytes WritePhonebookFile writes: the head, then the table.
std::vector<uint8_t> PhonebookFileBytes(const MachineRecords& records);

// Loads the table from a file: 1 when the file opened, is at least 40 bytes
// long and its magic text matched. A short file fills the slots it reaches;
// the rest keep their contents. groupRefCount is not touched. Only regular
// files are read.
int ReadPhonebookFile(MachineRecords& records, const std::string& path, FileError* error = nullptr);

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
std::optional<PhonebookFileContents> ReadPhonebookFileContents(const MachineRecords& records,
                                                               const std::string& path,
                                                               FileError* error = nullptr);

// What a phonebook file's bytes hold, checked as ReadPhonebookFileContents
// checks a file but before any table exists: the bytes after the head, all of
// them. nullopt (kWrongContent) without the head.
std::optional<PhonebookFileContents> PhonebookFileContentsOf(const std::vector<uint8_t>& bytes,
                                                             FileError* error = nullptr);

// Puts the slots the file holds whole into the table; the others keep their
// contents. Returns how many slots changed.
int LoadWholeSlots(MachineRecords& records, const PhonebookFileContents& contents);
