#pragma once
#include <string_view>

// The six numeric fields of the Settings page: how their texts read as
// numbers, the ranges they are kept in and how the arrow bars step them.
namespace settings_numbers {

struct Range {
    int minimum;
    int maximum;
};

constexpr Range kDiscardSizeRange{0, 30};
constexpr Range kRingCountRange{1, 7};
constexpr Range kRedialIntervalRange{1, 15};
constexpr Range kRedialCountRange{0, 13};
constexpr Range kZoomRange{25, 400};
constexpr Range kCopiesRange{1, 99};

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
