#pragma once
#include <string>

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
