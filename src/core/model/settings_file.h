#pragma once
#include "model/file_error.h"
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/machine_record.h"

// A settings file: the machine's settable records (the system setup and the
// system status) as text a person can read and edit. Its first line names the
// format and its version; then a section per settable record of the registry
// (protocol/record_registry.h), "[setup]" and "[status]", with one name=value
// line per field, using faxrcp-cli's field names and value names. Blank lines
// and lines starting with '#' are comments.
//
//   faxrcp settings 1
//   [setup]
//   trayPaperSize=A4
//   copies=1
//   ...
//   [status]
//   machineId=OFFICE
//   ...

// The extension the panel's file dialog gives a name without one.
constexpr const char* kSettingsFileExtension = ".stf";

// A line of a settings file that was refused: its number (1 for the first
// line) and why, in English, naming the field and what it takes.
struct SettingsFileProblem {
    int line;
    std::string message;
};

// The file's text for the settable records: every field of each.
std::string SettingsFileText(const MachineRecords& records);

// Applies text over the settable records, all or nothing: on kNone every
// field the text names holds its value and every other field is unchanged;
// otherwise no record changed and problems (kProblems) lists every refused
// line.
FileError ApplySettingsText(std::string_view text, MachineRecords& records,
                            std::vector<SettingsFileProblem>& problems);

// Saves SettingsFileText whole (platform::SaveFile): a crash leaves the old
// file or the new one; a replaced file keeps its mode.
FileError WriteSettingsFile(const std::string& path, const MachineRecords& records);

// Whether WriteSettingsFile could write path, checked without writing.
FileError CheckSettingsFileTarget(const std::string& path);

// Reads a regular file and applies it as ApplySettingsText does.
FileError ReadSettingsFile(const std::string& path, MachineRecords& records,
                           std::vector<SettingsFileProblem>& problems);

// The longest settings file read; a longer one is kWrongContent. Every field
// of both records takes a few kilobytes; the rest is room for comments.
constexpr size_t kMaxSettingsFileBytes = 1 << 20;

// Reads a regular file's text (at most kMaxSettingsFileBytes) without applying
// it: kNone, kMissing, kDenied, kNotRegular, kWrongContent (too long), kFailed.
FileError ReadSettingsFileText(const std::string& path, std::string& text);

// A field whose shown value differs between two sets of records.
struct SettingsFieldChange {
    const char* section; // "setup" or "status"
    const char* name;    // the field's name in the file
    std::string before;  // as the file writes it
    std::string after;
};

// The fields that differ from before to after, in file order.
std::vector<SettingsFieldChange> SettingsChanges(const MachineRecords& before,
                                                 const MachineRecords& after);
