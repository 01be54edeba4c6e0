#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_output.h"
#include "protocol/record_descriptor.h"
#include "protocol/system_status.h"

// The fields of the machine records as faxrcp-cli names, shows, checks and
// stores them, all from the record table (protocol/record_table.h): names,
// ranges, value names and text rules are the table's.
namespace cli {

// The field a command-line name stands for: the table's name or an older one,
// in any letter case; nullptr when none.
const FieldDescriptor* FindField(const RecordDescriptor& record, std::string_view name);

// The older name a field was known by, or nullptr.
const char* OldName(const FieldDescriptor& field);

// Carried unchanged: no page shows it.
bool IsReserved(const FieldDescriptor& field);

// The value as a name=value line shows it; bytes escaped (EscapeText).
std::string ShowValue(const FieldDescriptor& field, const void* record);
// The same value for --json: a number, a value name, a text or a list.
Json JsonValue(const FieldDescriptor& field, const void* record);

// What the field takes, in words: "a number from 1 to 99", "one of Letter,
// Legal, ...". shortForm: for the fields table ("1..99", "Letter Legal ...").
std::string Allowed(const FieldDescriptor& field, bool shortForm = false);

// Checks a typed value against the field and stores it into the record.
// Returns nullopt when stored; else why it was refused, with what the field
// takes, and the record is unchanged.
std::optional<std::string> StoreValue(const FieldDescriptor& field, void* record,
                                      const std::string& value);

// Applies NAME=VALUE arguments to the record, all or none. Returns a one-line
// message for each refused argument; what names the record ("setup").
std::vector<std::string> ApplyAssignments(const RecordDescriptor& descriptor, const char* what,
                                          const std::vector<std::string>& args, void* record);

// The fields that names choose, in table order; all of them when names is
// empty. On an unknown name returns its message instead.
struct Selection {
    std::vector<const FieldDescriptor*> fields;
    std::string error;
};
Selection SelectFields(const RecordDescriptor& descriptor, const std::vector<std::string>& names,
                       const char* what);

// The chosen fields as name=value lines, or as one JSON object.
void PrintFields(const std::vector<const FieldDescriptor*>& fields, const void* record, bool json,
                 std::ostream& out);

// The fields table: each settable field with its value and what it takes.
void PrintFieldTable(const RecordDescriptor& descriptor, const void* record, bool json,
                     std::ostream& out);

// Help made from the table: each field with what it takes; no record needed.
void PrintFieldHelp(const RecordDescriptor& descriptor, std::ostream& out);

// "YYYY-MM-DD HH:MM"; the parse takes only real dates in the machine's years.
std::string FormatDateTime(const StatusDateTime& t);
std::optional<StatusDateTime> ParseDateTime(const std::string& text);

} // namespace cli
