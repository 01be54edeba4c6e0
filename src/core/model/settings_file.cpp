#include "model/settings_file.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>

#include "model/field_text.h"
#include "model/utf8_text.h"
#include "platform/ascii_text.h"
#include "platform/regular_file.h"
#include "platform/saved_file.h"
#include "protocol/record_table.h"

namespace {

using field_text::EscapeText;
using field_text::ShowValue;
using platform::EqualsNoCase;
using platform::HexPairAt;
using platform::IsBlank;
using platform::LowerAscii;
using platform::TrimBlanks;

constexpr std::string_view kHead = "faxrcp settings ";
constexpr int kVersion = 1;
// File text quoted in a message is cut to this many bytes.
constexpr size_t kQuotedMax = 40;

// The sections in file order, each with its record; records[i] is the record
// of kSections[i].
struct Section {
    const char* name;
    const RecordDescriptor& descriptor;
};
constexpr Section kSections[] = {{"setup", kSetupRecord}, {"status", kStatusRecord}};

std::string Quoted(std::string_view text) {
    return text.size() > kQuotedMax ? EscapeText(text.substr(0, kQuotedMax)) + "..."
                                    : EscapeText(text);
}

// Reads back what EscapeText wrote: "\\" and "\xNN". Any other backslash
// stays, and the field's filter refuses it.
std::string Unescaped(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'x' &&
                   HexPairAt(text, i + 2) >= 0) {
            out += static_cast<char>(HexPairAt(text, i + 2));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The version the head names; nullopt when the line is no settings head.
std::optional<int> HeadVersion(std::string_view line) {
    line = TrimBlanks(line);
    if (!line.starts_with(kHead) || line.size() == kHead.size() || line.size() > kHead.size() + 6) {
        return std::nullopt;
    }
    const std::string_view number = line.substr(kHead.size());
    // One spelling per version: "01" is not 1.
    if (number.size() > 1 && number.front() == '0') {
        return std::nullopt;
    }
    int version = 0;
    for (char c : number) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        version = version * 10 + (c - '0');
    }
    return version;
}

// Reads name=value lines into scratch copies of the records.
class Reader {
  public:
    Reader(const void* const (&records)[2], std::vector<SettingsFileProblem>& problems)
        : records_(records), problems_(problems) {
        for (size_t i = 0; i < 2; ++i) {
            const auto* bytes = static_cast<const char*>(records[i]);
            scratch_[i].assign(bytes, bytes + kSections[i].descriptor.recordSize);
        }
    }

    void line(int number, std::string_view text) {
        const std::string_view content = TrimBlanks(text);
        if (content.empty() || content.front() == '#') {
            return;
        }
        if (content.front() == '[') {
            section(number, content);
            return;
        }
        if (section_ == kUnknown) {
            return; // its head was refused already
        }
        const size_t eq = text.find('=');
        if (eq == std::string_view::npos) {
            refuse(number, "expected name=value, got '" + Quoted(content) + "'");
            return;
        }
        if (section_ == kNone) {
            refuse(number, "'" + Quoted(content) + "' before [setup] or [status]");
            return;
        }
        const Section& s = kSections[section_];
        const std::string_view name = TrimBlanks(text.substr(0, eq));
        const FieldDescriptor* field = field_text::FindField(s.descriptor, name);
        if (field == nullptr) {
            refuse(number, "unknown field '" + Quoted(name) + "' in [" + s.name + "]");
            return;
        }
        if (const auto [first, added] = seen_.try_emplace(field, number); !added) {
            refuse(number, std::string(field->name) + " is given twice (first on line " +
                               std::to_string(first->second) + ")");
            return;
        }
        store(number, *field, text.substr(eq + 1));
    }

    // Puts the scratch records over the real ones.
    void commit(void* const (&records)[2]) const {
        for (size_t i = 0; i < 2; ++i) {
            std::memcpy(records[i], scratch_[i].data(), scratch_[i].size());
        }
    }

  private:
    static constexpr int kNone = -1;    // before the first section
    static constexpr int kUnknown = -2; // in a refused section

    void section(int number, std::string_view content) {
        section_ = kUnknown;
        if (content.back() == ']') {
            const std::string_view name = TrimBlanks(content.substr(1, content.size() - 2));
            for (int i = 0; i < 2; ++i) {
                if (EqualsNoCase(name, kSections[i].name)) {
                    section_ = i;
                    return;
                }
            }
        }
        refuse(number, "unknown section '" + Quoted(content) +
                           "'; a settings file has [setup] "
                           "and [status]");
    }

    // Texts keep their leading blanks; trailing ones are padding, which the
    // file never writes.
    void store(int number, const FieldDescriptor& field, std::string_view raw) {
        const bool text = field.kind == FieldKind::Text;
        std::string value;
        if (text) {
            while (!raw.empty() && IsBlank(raw.back())) {
                raw.remove_suffix(1);
            }
            value = Unescaped(raw);
        } else {
            value = std::string(TrimBlanks(raw));
        }
        void* record = scratch_[section_].data();
        if (auto why = field_text::StoreValue(field, record, value)) {
            refuse(number, field.name + ("=" + Quoted(raw)) + " refused: " + *why);
            return;
        }
        // The machine pads its texts with blanks, the program with zeros: a
        // text that reads as the record's own keeps the record's bytes, so
        // that loading a file saved from this machine sends what it holds.
        const void* original = records_[section_];
        if (text && field_text::TextOf(field, record) == field_text::TextOf(field, original)) {
            std::memcpy(static_cast<char*>(record) + field.recordOffset,
                        static_cast<const char*>(original) + field.recordOffset, field.recordSize);
        }
    }

    void refuse(int number, std::string message) {
        problems_.push_back({number, std::move(message)});
    }

    const void* const (&records_)[2];
    std::vector<SettingsFileProblem>& problems_;
    std::vector<char> scratch_[2];
    std::map<const FieldDescriptor*, int> seen_;
    int section_ = kNone;
};

} // namespace

// Every value is ShowValue's: printable ASCII on one line. A text the
// machine holds with bytes its field does not take (control bytes, bytes
// above 0x7E, a backslash) is written escaped (\xNN, \\); a load reads the
// escapes back and refuses the line, as the field refuses the bytes, naming
// the first one, so that the file is fixed by hand rather than the machine
// given bytes its pages would not send. A number or date outside what the
// pages offer, which a machine may hold too, is refused on its line alike.
std::string SettingsFileText(const SystemSetup& setup, const SystemStatus& status) {
    const void* const records[2] = {&setup, &status};
    std::string text = std::string(kHead) + std::to_string(kVersion) + "\n";
    for (size_t i = 0; i < 2; ++i) {
        text += "[" + std::string(kSections[i].name) + "]\n";
        for (const FieldDescriptor& f : kSections[i].descriptor.fields) {
            text += std::string(f.name) + "=" + ShowValue(f, records[i]) + "\n";
        }
    }
    return text;
}

FileError ApplySettingsText(std::string_view text, SystemSetup& setup, SystemStatus& status,
                            std::vector<SettingsFileProblem>& problems) {
    problems.clear();
    const std::optional<std::string_view> body = Utf8FileText(text, kMaxSettingsFileBytes);
    const std::vector<std::string_view> lines =
        body ? TextLines(*body) : std::vector<std::string_view>();
    // The head is the first line that is no comment and not blank; a later
    // version may mean what this one cannot read.
    size_t head = 0;
    while (head < lines.size() &&
           (TrimBlanks(lines[head]).empty() || TrimBlanks(lines[head]).front() == '#')) {
        ++head;
    }
    if (head == lines.size() || HeadVersion(lines[head]) != kVersion) {
        return FileError::kWrongContent;
    }
    const void* const originals[2] = {&setup, &status};
    Reader reader(originals, problems);
    for (size_t i = head + 1; i < lines.size(); ++i) {
        reader.line(static_cast<int>(i) + 1, lines[i]);
    }
    if (!problems.empty()) {
        return FileError::kProblems;
    }
    void* const records[2] = {&setup, &status};
    reader.commit(records);
    return FileError::kNone;
}

FileError WriteSettingsFile(const std::string& path, const SystemSetup& setup,
                            const SystemStatus& status) {
    const std::string text = SettingsFileText(setup, status);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    return FileErrorOf(platform::SaveFile(path, {bytes, text.size()}, "stf"));
}

FileError CheckSettingsFileTarget(const std::string& path) {
    return FileErrorOf(platform::CheckSaveTarget(path));
}

FileError ReadSettingsFileText(const std::string& path, std::string& text) {
    return ReadWholeFile(path, kMaxSettingsFileBytes, text);
}

FileError ReadSettingsFile(const std::string& path, SystemSetup& setup, SystemStatus& status,
                           std::vector<SettingsFileProblem>& problems) {
    problems.clear();
    std::string text;
    if (const FileError why = ReadSettingsFileText(path, text); why != FileError::kNone) {
        return why;
    }
    return ApplySettingsText(text, setup, status, problems);
}

std::vector<SettingsFieldChange> SettingsChanges(const SystemSetup& setupBefore,
                                                 const SystemStatus& statusBefore,
                                                 const SystemSetup& setupAfter,
                                                 const SystemStatus& statusAfter) {
    const void* const before[2] = {&setupBefore, &statusBefore};
    const void* const after[2] = {&setupAfter, &statusAfter};
    std::vector<SettingsFieldChange> changes;
    for (size_t i = 0; i < 2; ++i) {
        for (const FieldDescriptor& f : kSections[i].descriptor.fields) {
            std::string was = ShowValue(f, before[i]);
            std::string now = ShowValue(f, after[i]);
            if (was != now) {
                changes.push_back({kSections[i].name, f.name, std::move(was), std::move(now)});
            }
        }
    }
    return changes;
}
