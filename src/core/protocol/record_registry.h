#pragma once
// The machine records that travel as one block, listed once. faxrcp-cli's
// commands, the settings file's sections, the build's bash completion and
// manual page field lists, the pages (which machines have them), the fuzz
// targets and the tests all read this list.
//
// To add a record: its struct, commands and start-up values (a header and a
// source file of its own), its fields and descriptor (record_table.h), its
// member in MachineRecords, and one entry in record_registry.cpp.

#include <span>
#include <string_view>
#include <vector>

#include "link/link_state.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/record_descriptor.h"

struct RecordEntry {
    // faxrcp-cli's command word and the settings file's section: "setup".
    const char* name;
    // What help texts call it: "the system setup".
    const char* title;
    const RecordDescriptor& descriptor;
    // The struct the record fills, in the records.
    void* (*record)(MachineRecords& records);
    // Reads and writes the record through link; set is nullptr when it is
    // read only.
    int (*get)(LinkState& link, MachineRecords& records);
    int (*set)(LinkState& link, MachineRecords& records);
    // Puts the record's start-up values in place.
    void (*setDefaults)(MachineRecords& records);
    // Whether a machine of that class has the record.
    bool (*existsFor)(int machineClass);
    // More words for faxrcp-cli's help of the set command, or "".
    const char* setNotes;

    bool Settable() const { return set != nullptr; }
    const void* Record(const MachineRecords& records) const {
        return record(const_cast<MachineRecords&>(records));
    }
};

// Every record, in the order the commands and the settings file list them.
std::span<const RecordEntry> RecordRegistry();

// The records that can be written, in the same order: the settings file's
// sections.
std::vector<const RecordEntry*> SettableRecords();

// The record named name ("setup"), or nullptr.
const RecordEntry* FindRecord(std::string_view name);

// Does a machine of that class have the record named name? No for a name
// the registry does not know.
bool RecordExistsFor(std::string_view name, int machineClass);
