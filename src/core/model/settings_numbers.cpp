#include "model/settings_numbers.h"

namespace settings_numbers {

int LeadingDecimal(std::string_view text) {
    constexpr int kCeiling = 1000000;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        if (value < kCeiling) {
            value = value * 10 + (c - '0');
        }
    }
    return value;
}

namespace {

bool Clamp(int& value, Range range) {
    if (value < range.minimum) {
        value = range.minimum;
        return true;
    }
    if (value > range.maximum) {
        value = range.maximum;
        return true;
    }
    return false;
}

} // namespace

bool ClampNumberFields(NumberFields& fields) {
    bool changed = fields.discardSize <= 0;
    changed |= Clamp(fields.discardSize, kDiscardSizeRange);
    changed |= Clamp(fields.redialInterval, kRedialIntervalRange);
    changed |= Clamp(fields.ringCount, kRingCountRange);
    changed |= Clamp(fields.redialCount, kRedialCountRange);
    changed |= Clamp(fields.zoom, kZoomRange);
    changed |= Clamp(fields.copies, kCopiesRange);
    return changed;
}

int StepArrow(int value, Arrow arrow, Range range) {
    switch (arrow) {
    case Arrow::Up:
        return value + 1 > range.maximum ? range.maximum : value + 1;
    case Arrow::Down:
        return value - 1 < range.minimum ? range.minimum : value - 1;
    case Arrow::Other:
        break;
    }
    return value;
}

} // namespace settings_numbers
