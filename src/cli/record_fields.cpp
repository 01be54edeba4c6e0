#include "cli/record_fields.h"

#include <algorithm>
#include <cstring>

#include "cli/cli_output.h"

namespace cli {

using field_text::BytesOf;
using field_text::DateLimit;
using field_text::DateTimeOf;
using field_text::IsNumber;
using field_text::IsReserved;
using field_text::NameOf;
using field_text::NumberOf;
using field_text::SignedNumberOf;
using field_text::TextOf;

namespace {

std::string Padded(const std::string& text, size_t width) {
    return text.size() >= width ? text + "  " : text + std::string(width - text.size() + 2, ' ');
}

} // namespace

Json JsonValue(const FieldDescriptor& f, const void* record) {
    switch (f.kind) {
    case FieldKind::Byte:
    case FieldKind::Be16: {
        const unsigned long n = NumberOf(f, record);
        const ValueName* name = NameOf(f, n);
        return name != nullptr ? Json::String(name->name) : Json::Number(static_cast<long long>(n));
    }
    case FieldKind::Be32: // counters: unsigned on the wire
        return Json::Number(static_cast<uint32_t>(SignedNumberOf(f, record)));
    case FieldKind::Text:
        return Json::String(TextOf(f, record));
    case FieldKind::DateTime:
        return Json::String(FormatDateTime(DateTimeOf(f, record)));
    case FieldKind::Bytes: {
        Json list = Json::Array();
        for (uint8_t b : BytesOf(f, record)) {
            list.add(Json::Number(b));
        }
        return list;
    }
    }
    return Json::String("");
}

std::vector<std::string> ApplyAssignments(const RecordDescriptor& descriptor, const char* what,
                                          const std::vector<std::string>& args, void* record) {
    std::vector<char> changed(descriptor.recordSize);
    std::memcpy(changed.data(), record, descriptor.recordSize);
    std::vector<std::string> refusals;
    std::vector<const FieldDescriptor*> named;
    for (const std::string& arg : args) {
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const FieldDescriptor* field = FindField(descriptor, name);
        // As in a settings file, a field is given once.
        const bool twice =
            field != nullptr && std::find(named.begin(), named.end(), field) != named.end();
        named.push_back(field);
        if (eq == std::string::npos) {
            refusals.push_back("expected NAME=VALUE, got '" + EscapeText(arg) + "'");
        } else if (field == nullptr || !descriptor.settable) {
            refusals.push_back("unknown field '" + EscapeText(name) + "' of the " + what +
                               " (faxrcp-cli help " + what + " set lists them)");
        } else if (twice) {
            refusals.push_back(std::string(field->name) + " is given twice");
        } else if (auto why = StoreValue(*field, changed.data(), arg.substr(eq + 1))) {
            refusals.push_back(EscapeText(arg) + " refused: " + *why);
        }
    }
    if (refusals.empty()) {
        std::memcpy(record, changed.data(), descriptor.recordSize);
    }
    return refusals;
}

Selection SelectFields(const RecordDescriptor& descriptor, const std::vector<std::string>& names,
                       const char* what, bool all) {
    Selection selection;
    if (names.empty()) {
        for (const FieldDescriptor& f : descriptor.fields) {
            if (all || !IsReserved(f)) {
                selection.fields.push_back(&f);
            }
        }
        return selection;
    }
    for (const std::string& name : names) {
        const FieldDescriptor* f = FindField(descriptor, name);
        if (f == nullptr) {
            selection.error = "unknown field '" + EscapeText(name) + "' of the " + what +
                              " (faxrcp-cli help " + what + " lists them)";
            return selection;
        }
        selection.fields.push_back(f);
    }
    return selection;
}

void PrintFields(const std::vector<const FieldDescriptor*>& fields, const void* record, bool json,
                 std::ostream& out) {
    if (json) {
        Json object = Json::Object();
        for (const FieldDescriptor* f : fields) {
            object.set(f->name, JsonValue(*f, record));
        }
        object.write(out);
        return;
    }
    for (const FieldDescriptor* f : fields) {
        out << f->name << "=" << ShowValue(*f, record) << "\n";
    }
}

void PrintFieldTable(const RecordDescriptor& descriptor, const void* record, bool json, bool all,
                     std::ostream& out) {
    std::vector<const FieldDescriptor*> shown;
    for (const FieldDescriptor& f : descriptor.fields) {
        if (all || !IsReserved(f)) {
            shown.push_back(&f);
        }
    }
    if (json) {
        Json object = Json::Object();
        for (const FieldDescriptor* field : shown) {
            const FieldDescriptor& f = *field;
            Json entry = Json::Object();
            entry.set("value", JsonValue(f, record));
            if (!f.names.empty()) {
                Json choices = Json::Array();
                for (const ValueName& v : f.names) {
                    choices.add(Json::String(v.name));
                }
                entry.set("choices", std::move(choices));
            } else if (IsNumber(f)) {
                entry.set("minimum", Json::Number(f.minimum));
                entry.set("maximum", Json::Number(f.maximum));
            } else if (f.kind == FieldKind::Bytes) {
                entry.set("count", Json::Number(f.width));
                entry.set("minimum", Json::Number(0));
                entry.set("maximum", Json::Number(255));
            } else if (f.kind == FieldKind::Text) {
                entry.set("maxLength", Json::Number(f.width));
            } else if (f.kind == FieldKind::DateTime) {
                entry.set("minimum", Json::String(DateLimit(f.minimum, false)));
                entry.set("maximum", Json::String(DateLimit(f.maximum, true)));
            }
            entry.set("allowed", Json::String(Allowed(f)));
            object.set(f.name, std::move(entry));
        }
        object.write(out);
        return;
    }
    size_t nameWidth = 5;
    size_t valueWidth = 5;
    for (const FieldDescriptor* f : shown) {
        nameWidth = std::max(nameWidth, std::strlen(f->name));
        valueWidth = std::max(valueWidth, ShowValue(*f, record).size());
    }
    out << Padded("FIELD", nameWidth) << Padded("VALUE", valueWidth) << "ALLOWED\n";
    for (const FieldDescriptor* f : shown) {
        out << Padded(f->name, nameWidth) << Padded(ShowValue(*f, record), valueWidth)
            << Allowed(*f, true) << "\n";
    }
}

void PrintFieldHelp(const RecordDescriptor& descriptor, std::ostream& out) {
    size_t width = 0;
    for (const FieldDescriptor& f : descriptor.fields) {
        width = std::max(width, std::strlen(f.name));
    }
    out << "Fields:\n";
    for (const FieldDescriptor& f : descriptor.fields) {
        if (!descriptor.settable) {
            out << "  " << f.name << "\n";
            continue;
        }
        std::string allowed = Allowed(f, true);
        if (const char* old = OldName(f)) {
            allowed += " (also " + std::string(old) + ")";
        }
        // Wrapped at 78 columns under the first word.
        const size_t indent = width + 4;
        PrintWrapped(out, "  " + Padded(f.name, width), allowed, indent, 78);
    }
}

} // namespace cli
