#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/record_descriptor.h"
#include "protocol/system_status.h"

// The fields of the machine records as text: how they are named, shown,
// checked and stored, all from the record table (protocol/record_table.h):
// names, ranges, value names and text rules are the table's. faxrcp-cli and
// the settings file speak this text; the windows may too.
namespace field_text {

// The field a name stands for: the table's name or an older one, in any
// letter case; nullptr when none.
const FieldDescriptor* FindField(const RecordDescriptor& record, std::string_view name);

// The older name a field was known by, or nullptr.
const char* OldName(const FieldDescriptor& field);

// Carried unchanged: no page shows it.
bool IsReserved(const FieldDescriptor& field);

bool IsNumber(const FieldDescriptor& field);

// What the record holds in the field. record points at the struct the
// field's record descriptor describes.
unsigned long NumberOf(const FieldDescriptor& field, const void* record); // Byte, Be16
int32_t SignedNumberOf(const FieldDescriptor& field, const void* record); // Be32
const ValueName* NameOf(const FieldDescriptor& field, unsigned long value);
std::string_view TextOf(const FieldDescriptor& field, const void* record); // no padding
StatusDateTime DateTimeOf(const FieldDescriptor& field, const void* record);
std::vector<uint8_t> BytesOf(const FieldDescriptor& field, const void* record);

// The value as one line of printable ASCII: a value name, a number, a text
// (EscapeText), a date (FormatDateTime) or numbers separated by commas.
std::string ShowValue(const FieldDescriptor& field, const void* record);

// What the field takes, in words: "a number from 1 to 99", "one of Letter,
// Legal, ...". shortForm: for a table ("1..99", "Letter Legal ...").
std::string Allowed(const FieldDescriptor& field, bool shortForm = false);

// Checks a typed value against the field and stores it into the record.
// Returns nullopt when stored; else why it was refused, in English, with what
// the field takes, and the record is unchanged.
std::optional<std::string> StoreValue(const FieldDescriptor& field, void* record,
                                      const std::string& value);

// "YYYY-MM-DD HH:MM"; the parse takes only real dates in the machine's years.
std::string FormatDateTime(const StatusDateTime& t);
std::optional<StatusDateTime> ParseDateTime(const std::string& text);
// The first or the last minute of a year, as FormatDateTime writes it.
std::string DateLimit(uint32_t year, bool last);

// Printable ASCII as it is, a backslash doubled, any other byte as \xNN.
std::string EscapeText(std::string_view bytes);

// The text without its trailing blanks, as the pages show it.
std::string_view TrimPadding(std::string_view text);

} // namespace field_text
