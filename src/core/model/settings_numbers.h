#pragma once
#include <string_view>

#include "protocol/record_table.h"

// The six numeric fields of the Settings page: how their texts read as
// numbers, the ranges they are kept in and how the arrow bars step them.
namespace settings_numbers {

struct Range {
    int minimum;
    int maximum;
};

// The range the record table gives a setup field; a name not in the table
// stops the compilation.
constexpr Range SetupRange(std::string_view name) {
    for (const FieldDescriptor& f : record_table::kSetupFields) {
        if (name == f.name) {
            return {static_cast<int>(f.minimum), static_cast<int>(f.maximum)};
        }
    }
    throw "no such setup field";
}

constexpr Range kDiscardSizeRange = SetupRange("discardSize");
constexpr Range kRingCountRange = SetupRange("ringCount");
constexpr Range kRedialIntervalRange = SetupRange("redialInterval");
constexpr Range kRedialCountRange = SetupRange("redialCount");
constexpr Range kZoomRange = SetupRange("zoom");
constexpr Range kCopiesRange = SetupRange("copies");

// The value of the text's leading decimal digits, 0 when it has none.
// Long digit runs saturate instead of overflowing.
int LeadingDecimal(std::string_view text);

// The values of the six fields, in the order they are brought into range.
struct NumberFields {
    int discardSize;
    int redialInterval;
    int ringCount;
    int redialCount;
    int zoom;
    int copies;
};

// Brings every field into its range. True when a field changed or the
// discard size was 0 or less (an empty field must show its 0).
bool ClampNumberFields(NumberFields& fields);

enum class Arrow { Up, Down, Other };

// One arrow step: up adds 1 and enforces only the maximum, down subtracts 1
// and enforces only the minimum, anything else leaves the value.
int StepArrow(int value, Arrow arrow, Range range);

} // namespace settings_numbers
