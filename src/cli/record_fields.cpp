#include "cli/record_fields.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "protocol/record_table.h"

namespace cli {

namespace {

// The record's bytes at the field's member; values are copied, never aliased.
template <typename T> T Load(const void* record, const FieldDescriptor& f) {
    T value;
    std::memcpy(&value, static_cast<const char*>(record) + f.recordOffset, sizeof value);
    return value;
}

template <typename T> void Keep(void* record, const FieldDescriptor& f, T value) {
    std::memcpy(static_cast<char*>(record) + f.recordOffset, &value, sizeof value);
}

std::string Show(const FieldDescriptor& f, const void* record) {
    const char* member = static_cast<const char*>(record) + f.recordOffset;
    switch (f.kind) {
    case FieldKind::Byte:
        return std::to_string(Load<uint8_t>(record, f));
    case FieldKind::Be16:
        return std::to_string(Load<uint16_t>(record, f));
    case FieldKind::Be32:
        return std::to_string(Load<int32_t>(record, f));
    case FieldKind::Text:
        return std::string(member, strnlen(member, f.recordSize));
    case FieldKind::DateTime:
        return FormatDateTime(Load<StatusDateTime>(record, f));
    case FieldKind::Bytes: {
        std::string s;
        for (int i = 0; i < f.width; ++i) {
            s += (i ? "," : "") + std::to_string(static_cast<uint8_t>(member[i]));
        }
        return s;
    }
    }
    return {};
}

// Width numbers separated by commas.
bool StoreBytes(const FieldDescriptor& f, void* record, const std::string& v) {
    std::vector<uint8_t> bytes(f.width);
    size_t start = 0;
    for (int i = 0; i < f.width; ++i) {
        size_t end = i < f.width - 1 ? v.find(',', start) : v.size();
        if (end == std::string::npos) {
            return false;
        }
        auto n = ParseNumber(v.substr(start, end - start), 255);
        if (!n) {
            return false;
        }
        bytes[i] = static_cast<uint8_t>(*n);
        start = end + 1;
    }
    std::memcpy(static_cast<char*>(record) + f.recordOffset, bytes.data(), bytes.size());
    return true;
}

bool StoreText(const FieldDescriptor& f, void* record, const std::string& value) {
    if (value.size() > static_cast<size_t>(f.width) || value.find('\0') != std::string::npos) {
        return false;
    }
    char* text = static_cast<char*>(record) + f.recordOffset;
    std::memset(text, 0, f.recordSize);
    std::memcpy(text, value.data(), value.size());
    return true;
}

// Only whether the value fits the field's width is checked.
template <typename T>
bool StoreNumber(const FieldDescriptor& f, void* record, const std::string& v) {
    auto n = ParseNumber(v, std::numeric_limits<T>::max());
    if (!n) {
        return false;
    }
    Keep(record, f, static_cast<T>(*n));
    return true;
}

bool Store(const FieldDescriptor& f, void* record, const std::string& value) {
    switch (f.kind) {
    case FieldKind::Byte:
        return StoreNumber<uint8_t>(f, record, value);
    case FieldKind::Be16:
        return StoreNumber<uint16_t>(f, record, value);
    case FieldKind::Be32:
        return StoreNumber<uint32_t>(f, record, value);
    case FieldKind::Text:
        return StoreText(f, record, value);
    case FieldKind::DateTime: {
        auto t = ParseDateTime(value);
        if (!t) {
            return false;
        }
        Keep(record, f, *t);
        return true;
    }
    case FieldKind::Bytes:
        return StoreBytes(f, record, value);
    }
    return false;
}

template <typename Record> std::vector<Field<Record>> FieldsOf(const RecordDescriptor& d) {
    std::vector<Field<Record>> fields;
    for (const FieldDescriptor& f : d.fields) {
        Field<Record> field{f.name, [&f](const Record& r) { return Show(f, &r); }, nullptr};
        if (d.settable) {
            field.store = [&f](Record& r, const std::string& v) { return Store(f, &r, v); };
        }
        fields.push_back(std::move(field));
    }
    return fields;
}

} // namespace

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

std::optional<StatusDateTime> ParseDateTime(const std::string& text) {
    // YYYY-MM-DD HH:MM, within the ranges the machine keeps.
    if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':') {
        return std::nullopt;
    }
    auto year = ParseNumber(text.substr(0, 4), 2089);
    auto month = ParseNumber(text.substr(5, 2), 12);
    auto day = ParseNumber(text.substr(8, 2), 31);
    auto hour = ParseNumber(text.substr(11, 2), 23);
    auto minute = ParseNumber(text.substr(14, 2), 59);
    if (!year || *year < 1990 || !month || !day || !hour || !minute) {
        return std::nullopt;
    }
    return StatusDateTime{static_cast<uint8_t>(*month), static_cast<uint8_t>(*day),
                          static_cast<uint16_t>(*year), static_cast<uint8_t>(*hour),
                          static_cast<uint8_t>(*minute)};
}

std::string FormatDateTime(const StatusDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", unsigned{t.year},
                  unsigned{t.month}, unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute});
    return text;
}

const std::vector<Field<SystemSetup>>& SetupFields() {
    static const auto fields = FieldsOf<SystemSetup>(kSetupRecord);
    return fields;
}

const std::vector<Field<SystemStatus>>& StatusFields() {
    static const auto fields = FieldsOf<SystemStatus>(kStatusRecord);
    return fields;
}

const std::vector<Field<MachineInfo>>& InfoFields() {
    static const auto fields = FieldsOf<MachineInfo>(kInfoRecord);
    return fields;
}

} // namespace cli
