#pragma once
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "protocol/machine_info.h"
#include "protocol/system_setup.h"
#include "protocol/system_status.h"

// Name=value views of the machine records for faxrcp-cli, made from the
// record table (protocol/record_table.h), in wire order.
namespace cli {

template <typename Record> struct Field {
    const char* name;
    // The value as printed.
    std::function<std::string(const Record&)> show;
    // Stores a typed value; false when it does not fit the field. Empty for
    // fields that cannot be set.
    std::function<bool(Record&, const std::string&)> store;
};

const std::vector<Field<SystemSetup>>& SetupFields();
const std::vector<Field<SystemStatus>>& StatusFields();
const std::vector<Field<MachineInfo>>& InfoFields();

template <typename Record>
void PrintRecord(const std::vector<Field<Record>>& fields, const Record& record,
                 std::ostream& out) {
    for (const auto& f : fields) {
        out << f.name << "=" << f.show(record) << "\n";
    }
}

// Applies NAME=VALUE arguments to a copy of the record. On a refused argument
// returns a message naming the field and leaves the record alone.
template <typename Record>
std::optional<std::string> ApplyAssignments(const std::vector<Field<Record>>& fields,
                                            const std::vector<std::string>& args, Record& record) {
    Record changed = record;
    for (const std::string& arg : args) {
        size_t eq = arg.find('=');
        if (eq == std::string::npos) {
            return "expected NAME=VALUE, got '" + arg + "'";
        }
        std::string name = arg.substr(0, eq);
        std::string value = arg.substr(eq + 1);
        const Field<Record>* field = nullptr;
        for (const auto& f : fields) {
            if (name == f.name) {
                field = &f;
            }
        }
        if (field == nullptr || !field->store) {
            return "unknown field '" + name + "'";
        }
        if (!field->store(changed, value)) {
            return "value '" + value + "' does not fit field '" + name + "'";
        }
    }
    record = changed;
    return std::nullopt;
}

// Parsers shared by the field tables and their tests.
std::optional<unsigned long> ParseNumber(const std::string& text, unsigned long max);
std::optional<StatusDateTime> ParseDateTime(const std::string& text);
std::string FormatDateTime(const StatusDateTime& t);

} // namespace cli
