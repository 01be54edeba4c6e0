#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_output.h"
#include "model/field_text.h"
#include "protocol/record_descriptor.h"
#include "protocol/system_status.h"

// The fields of the machine records on faxrcp-cli's command line and in its
// output: assignments, selections, name=value lines, JSON and the fields
// table, on the model's field text (model/field_text.h).
namespace cli {

// Naming, showing, checking and storing a field are the model's.
using field_text::Allowed;
using field_text::FindField;
using field_text::FormatDateTime;
using field_text::IsReserved;
using field_text::OldName;
using field_text::ParseDateTime;
using field_text::ShowValue;
using field_text::StoreValue;

// The same value for --json: a number, a value name, a text or a list.
Json JsonValue(const FieldDescriptor& field, const void* record);

// Applies NAME=VALUE arguments to the record, all or none. Returns a one-line
// message for each refused argument; what names the record ("setup").
std::vector<std::string> ApplyAssignments(const RecordDescriptor& descriptor, const char* what,
                                          const std::vector<std::string>& args, void* record);

// The fields that names choose, in the order named; without names every
// field but the reserved ones (all of them with all). On an unknown name
// returns its message instead.
struct Selection {
    std::vector<const FieldDescriptor*> fields;
    std::string error;
};
Selection SelectFields(const RecordDescriptor& descriptor, const std::vector<std::string>& names,
                       const char* what, bool all = false);

// The chosen fields as name=value lines, or as one JSON object.
void PrintFields(const std::vector<const FieldDescriptor*>& fields, const void* record, bool json,
                 std::ostream& out);

// The fields table: each settable field with its value and what it takes;
// the reserved ones only with all.
void PrintFieldTable(const RecordDescriptor& descriptor, const void* record, bool json, bool all,
                     std::ostream& out);

// Help made from the table: each field with what it takes; no record needed.
void PrintFieldHelp(const RecordDescriptor& descriptor, std::ostream& out);

} // namespace cli
