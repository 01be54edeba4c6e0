#include "model/field_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/ascii_text.h"
#include "protocol/text_filter.h"

namespace field_text {

namespace {

// The reason of a refused value when what the field takes says it all.
constexpr const char* kDoesNotFit = "?";

// Names the fields had before they said what they are; scripts still use them.
struct OldFieldName {
    const char* now;
    const char* old;
};
constexpr OldFieldName kOldNames[] = {
    {"reservedSetup0", "setupByte0"},    {"reservedSetup1", "setupByte1"},
    {"reservedSetup3", "setupByte3"},    {"reservedSetup15", "setupByte15"},
    {"reservedStatus43", "statusExtra"},
};

// The record's bytes at the field's member; values are copied, never aliased.
template <typename T> T Load(const void* record, const FieldDescriptor& f) {
    T value;
    std::memcpy(&value, static_cast<const char*>(record) + f.recordOffset, sizeof value);
    return value;
}

template <typename T> void Keep(void* record, const FieldDescriptor& f, T value) {
    std::memcpy(static_cast<char*>(record) + f.recordOffset, &value, sizeof value);
}

// Value names compare without letter case, a blank or "_" standing for "-".
std::string Folded(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += (c == ' ' || c == '_') ? '-' : platform::LowerAscii(c);
    }
    return out;
}

std::optional<unsigned long> ParseNumber(const std::string& text, unsigned long max) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    unsigned long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        v = v * 10 + static_cast<unsigned long>(c - '0');
    }
    if (v > max) {
        return std::nullopt;
    }
    return v;
}

// "0, 1, 2" or "0 to 7" for the numbers of the value names.
std::string NamedNumbers(const FieldDescriptor& f) {
    if (f.names.size() == f.maximum - f.minimum + 1) {
        return std::to_string(f.minimum) + " to " + std::to_string(f.maximum);
    }
    std::string list;
    for (const ValueName& v : f.names) {
        list += (list.empty() ? "" : ", ") + std::to_string(v.value);
    }
    return list;
}

bool LeapYear(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysIn(unsigned month, unsigned year) {
    constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

enum class DateProblem { kNone, kForm, kNoDate, kYear };

DateProblem ReadDateTime(const std::string& text, StatusDateTime& t) {
    if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':') {
        return DateProblem::kForm;
    }
    const auto year = ParseNumber(text.substr(0, 4), 9999);
    const auto month = ParseNumber(text.substr(5, 2), 99);
    const auto day = ParseNumber(text.substr(8, 2), 99);
    const auto hour = ParseNumber(text.substr(11, 2), 99);
    const auto minute = ParseNumber(text.substr(14, 2), 99);
    if (!year || !month || !day || !hour || !minute) {
        return DateProblem::kForm;
    }
    if (*month < 1 || *month > 12 || *day < 1 || *day > DaysIn(*month, *year) || *hour > 23 ||
        *minute > 59) {
        return DateProblem::kNoDate;
    }
    if (*year < kFirstYear || *year > kLastYear) {
        return DateProblem::kYear;
    }
    t = StatusDateTime{static_cast<uint8_t>(*month), static_cast<uint8_t>(*day),
                       static_cast<uint16_t>(*year), static_cast<uint8_t>(*hour),
                       static_cast<uint8_t>(*minute)};
    return DateProblem::kNone;
}

// Why a value does not fit; empty when it was stored.
std::string StoreNumber(const FieldDescriptor& f, void* record, const std::string& value) {
    std::optional<unsigned long> n;
    if (!f.names.empty()) {
        const std::string folded = Folded(value);
        for (const ValueName& v : f.names) {
            if (Folded(v.name) == folded) {
                n = v.value;
            }
        }
        if (!n) {
            n = ParseNumber(value, f.maximum);
            if (n && !NameOf(f, *n)) {
                n.reset();
            }
        }
    } else {
        n = ParseNumber(value, f.maximum);
        if (n && *n < f.minimum) {
            n.reset();
        }
    }
    if (!n) {
        return kDoesNotFit;
    }
    switch (f.kind) {
    case FieldKind::Byte:
        Keep(record, f, static_cast<uint8_t>(*n));
        break;
    case FieldKind::Be16:
        Keep(record, f, static_cast<uint16_t>(*n));
        break;
    default:
        Keep(record, f, static_cast<int32_t>(*n));
        break;
    }
    return {};
}

std::string StoreText(const FieldDescriptor& f, void* record, const std::string& value) {
    std::string text = value;
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F || !text_filter::Accepts(f.text.filterMode, u)) {
            const std::string shown = u >= 0x20 && u < 0x7F
                                          ? "'" + std::string(1, c) + "'"
                                          : "byte " + EscapeText(std::string(1, c));
            return shown + " is not a character it takes";
        }
        if (f.text.upperCase && c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (text.size() > static_cast<size_t>(f.width)) {
        return "it has " + std::to_string(text.size()) + " characters";
    }
    char* member = static_cast<char*>(record) + f.recordOffset;
    std::memset(member, 0, f.recordSize);
    std::memcpy(member, text.data(), text.size());
    return {};
}

std::string StoreBytes(const FieldDescriptor& f, void* record, const std::string& v) {
    std::vector<uint8_t> bytes;
    size_t start = 0;
    for (;;) {
        const size_t comma = v.find(',', start);
        const auto n = ParseNumber(v.substr(start, comma - start), 255);
        if (!n) {
            return kDoesNotFit;
        }
        bytes.push_back(static_cast<uint8_t>(*n));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (bytes.size() != static_cast<size_t>(f.width)) {
        return kDoesNotFit;
    }
    std::memcpy(static_cast<char*>(record) + f.recordOffset, bytes.data(), bytes.size());
    return {};
}

std::string Store(const FieldDescriptor& f, void* record, const std::string& value) {
    switch (f.kind) {
    case FieldKind::Byte:
    case FieldKind::Be16:
    case FieldKind::Be32:
        return StoreNumber(f, record, value);
    case FieldKind::Text:
        return StoreText(f, record, value);
    case FieldKind::DateTime: {
        StatusDateTime t{};
        switch (ReadDateTime(value, t)) {
        case DateProblem::kNone:
            Keep(record, f, t);
            return {};
        case DateProblem::kNoDate:
            return value + " is no date and time";
        case DateProblem::kYear:
            return "the year is outside the machine's";
        case DateProblem::kForm:
            break;
        }
        return kDoesNotFit;
    }
    case FieldKind::Bytes:
        return StoreBytes(f, record, value);
    }
    return kDoesNotFit;
}

} // namespace

bool IsNumber(const FieldDescriptor& f) {
    return f.kind == FieldKind::Byte || f.kind == FieldKind::Be16 || f.kind == FieldKind::Be32;
}

unsigned long NumberOf(const FieldDescriptor& f, const void* record) {
    switch (f.kind) {
    case FieldKind::Byte:
        return Load<uint8_t>(record, f);
    case FieldKind::Be16:
        return Load<uint16_t>(record, f);
    default:
        return Load<uint32_t>(record, f);
    }
}

int32_t SignedNumberOf(const FieldDescriptor& f, const void* record) {
    return Load<int32_t>(record, f);
}

const ValueName* NameOf(const FieldDescriptor& f, unsigned long value) {
    for (const ValueName& v : f.names) {
        if (v.value == value) {
            return &v;
        }
    }
    return nullptr;
}

std::string_view TextOf(const FieldDescriptor& f, const void* record) {
    const char* member = static_cast<const char*>(record) + f.recordOffset;
    return TrimPadding(std::string_view(member, strnlen(member, f.recordSize)));
}

std::vector<uint8_t> BytesOf(const FieldDescriptor& f, const void* record) {
    const auto* member = static_cast<const uint8_t*>(record) + f.recordOffset;
    return std::vector<uint8_t>(member, member + f.width);
}

StatusDateTime DateTimeOf(const FieldDescriptor& f, const void* record) {
    return Load<StatusDateTime>(record, f);
}

const FieldDescriptor* FindField(const RecordDescriptor& record, std::string_view name) {
    for (const FieldDescriptor& f : record.fields) {
        const char* old = OldName(f);
        if (platform::EqualsNoCase(name, f.name) ||
            (old != nullptr && platform::EqualsNoCase(name, old))) {
            return &f;
        }
    }
    return nullptr;
}

const char* OldName(const FieldDescriptor& field) {
    for (const OldFieldName& n : kOldNames) {
        if (std::strcmp(n.now, field.name) == 0) {
            return n.old;
        }
    }
    return nullptr;
}

bool IsReserved(const FieldDescriptor& field) {
    return std::string_view(field.name).starts_with("reserved");
}

std::string ShowValue(const FieldDescriptor& f, const void* record) {
    switch (f.kind) {
    case FieldKind::Byte:
    case FieldKind::Be16: {
        const unsigned long n = NumberOf(f, record);
        const ValueName* name = NameOf(f, n);
        return name != nullptr ? name->name : std::to_string(n);
    }
    case FieldKind::Be32: // counters: unsigned on the wire
        return std::to_string(static_cast<uint32_t>(SignedNumberOf(f, record)));
    case FieldKind::Text:
        return EscapeText(TextOf(f, record));
    case FieldKind::DateTime:
        return FormatDateTime(DateTimeOf(f, record));
    case FieldKind::Bytes: {
        std::string s;
        for (uint8_t b : BytesOf(f, record)) {
            s += (s.empty() ? "" : ",") + std::to_string(b);
        }
        return s;
    }
    }
    return {};
}

std::string Allowed(const FieldDescriptor& f, bool shortForm) {
    const std::string reserved = IsReserved(f) ? ", carried unchanged" : "";
    const std::string width = std::to_string(f.width);
    switch (f.kind) {
    case FieldKind::Byte:
    case FieldKind::Be16:
    case FieldKind::Be32: {
        if (f.names.empty()) {
            const std::string from = std::to_string(f.minimum);
            const std::string to = std::to_string(f.maximum);
            return (shortForm ? from + ".." + to : "a number from " + from + " to " + to) +
                   reserved;
        }
        std::string list;
        for (size_t i = 0; i < f.names.size(); ++i) {
            const char* separator = i == 0 ? "" : shortForm ? " " : ", ";
            list += separator + std::string(f.names[i].name);
        }
        return shortForm ? list : "one of " + list + ", or their numbers " + NamedNumbers(f);
    }
    case FieldKind::Text: {
        const std::string chars(text_filter::Describe(f.text.filterMode));
        const std::string capitals = f.text.upperCase ? "; letters become capitals" : "";
        return (shortForm ? "up to " + width + " of " : "up to " + width + " characters: ") +
               chars + capitals;
    }
    case FieldKind::DateTime: {
        const std::string span =
            DateLimit(f.minimum, false) + (shortForm ? ".." : " to ") + DateLimit(f.maximum, true);
        return shortForm ? "YYYY-MM-DD HH:MM, " + span
                         : "a date and time \"YYYY-MM-DD HH:MM\" from " + span;
    }
    case FieldKind::Bytes:
        return (shortForm ? width + " comma-separated numbers 0..255"
                          : width + " numbers from 0 to 255, separated by commas") +
               reserved;
    }
    return {};
}

std::optional<std::string> StoreValue(const FieldDescriptor& field, void* record,
                                      const std::string& value) {
    std::vector<char> scratch(field.recordSize);
    char* member = static_cast<char*>(record) + field.recordOffset;
    std::memcpy(scratch.data(), member, field.recordSize);
    const std::string why = Store(field, record, value);
    if (why.empty()) {
        return std::nullopt;
    }
    std::memcpy(member, scratch.data(), field.recordSize);
    const std::string takes = std::string(field.name) + " takes " + Allowed(field);
    return why == kDoesNotFit ? takes : why + "; " + takes;
}

std::string FormatDateTime(const StatusDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", unsigned{t.year},
                  unsigned{t.month}, unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute});
    return text;
}

std::optional<StatusDateTime> ParseDateTime(const std::string& text) {
    StatusDateTime t{};
    if (ReadDateTime(text, t) != DateProblem::kNone) {
        return std::nullopt;
    }
    return t;
}

std::string DateLimit(uint32_t year, bool last) {
    return std::to_string(year) + (last ? "-12-31 23:59" : "-01-01 00:00");
}

std::string EscapeText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7F) {
            out += ch;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", unsigned{c});
            out += hex;
        }
    }
    return out;
}

std::string_view TrimPadding(std::string_view text) {
    const size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

} // namespace field_text
