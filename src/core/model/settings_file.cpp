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
#include "protocol/record_registry.h"

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

// "[setup] or [status]" (joint "or"), "[setup] and [status]" (joint "and").
std::string SectionList(const std::vector<const RecordEntry*>& sections, const char* joint) {
    std::string list;
    for (size_t i = 0; i < sections.size(); ++i) {
        const bool last = i + 1 == sections.size();
        list += (i == 0 ? "" : last ? std::string(" ") + joint + " " : ", ");
        list += "[" + std::string(sections[i]->name) + "]";
    }
    return list;
}

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
    Reader(const MachineRecords& records, std::vector<SettingsFileProblem>& problems)
        : records_(records), problems_(problems) {
        for (const RecordEntry* s : sections_) {
            const auto* bytes = static_cast<const char*>(s->Record(records));
            scratch_.emplace_back(bytes, bytes + s->descriptor.recordSize);
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
            refuse(number, "'" + Quoted(content) + "' before " + SectionList(sections_, "or"));
            return;
        }
        const RecordEntry& s = *sections_[section_];
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
    void commit(MachineRecords& records) const {
        for (size_t i = 0; i < sections_.size(); ++i) {
            std::memcpy(sections_[i]->record(records), scratch_[i].data(), scratch_[i].size());
        }
    }

  private:
    static constexpr int kNone = -1;    // before the first section
    static constexpr int kUnknown = -2; // in a refused section

    void section(int number, std::string_view content) {
        section_ = kUnknown;
        if (content.back() == ']') {
            const std::string_view name = TrimBlanks(content.substr(1, content.size() - 2));
            for (size_t i = 0; i < sections_.size(); ++i) {
                if (EqualsNoCase(name, sections_[i]->name)) {
                    section_ = static_cast<int>(i);
                    return;
                }
            }
        }
        refuse(number, "unknown section '" + Quoted(content) + "'; a settings file has " +
                           SectionList(sections_, "and"));
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
        const void* original = sections_[section_]->Record(records_);
        if (text && field_text::TextOf(field, record) == field_text::TextOf(field, original)) {
            std::memcpy(static_cast<char*>(record) + field.recordOffset,
                        static_cast<const char*>(original) + field.recordOffset, field.recordSize);
        }
    }

    void refuse(int number, std::string message) {
        problems_.push_back({number, std::move(message)});
    }

    const MachineRecords& records_;
    std::vector<SettingsFileProblem>& problems_;
    const std::vector<const RecordEntry*> sections_ = SettableRecords();
    std::vector<std::vector<char>> scratch_; // one per section
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
std::string SettingsFileText(const MachineRecords& records) {
    std::string text = std::string(kHead) + std::to_string(kVersion) + "\n";
    for (const RecordEntry* s : SettableRecords()) {
        text += "[" + std::string(s->name) + "]\n";
        for (const FieldDescriptor& f : s->descriptor.fields) {
            text += std::string(f.name) + "=" + ShowValue(f, s->Record(records)) + "\n";
        }
    }
    return text;
}

FileError ApplySettingsText(std::string_view text, MachineRecords& records,
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
    Reader reader(records, problems);
    for (size_t i = head + 1; i < lines.size(); ++i) {
        reader.line(static_cast<int>(i) + 1, lines[i]);
    }
    if (!problems.empty()) {
        return FileError::kProblems;
    }
    reader.commit(records);
    return FileError::kNone;
}

FileError WriteSettingsFile(const std::string& path, const MachineRecords& records) {
    const std::string text = SettingsFileText(records);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    return FileErrorOf(platform::SaveFile(path, {bytes, text.size()}, "stf"));
}

FileError CheckSettingsFileTarget(const std::string& path) {
    return FileErrorOf(platform::CheckSaveTarget(path));
}

FileError ReadSettingsFileText(const std::string& path, std::string& text) {
    return ReadWholeFile(path, kMaxSettingsFileBytes, text);
}

FileError ReadSettingsFile(const std::string& path, MachineRecords& records,
                           std::vector<SettingsFileProblem>& problems) {
    problems.clear();
    std::string text;
    if (const FileError why = ReadSettingsFileText(path, text); why != FileError::kNone) {
        return why;
    }
    return ApplySettingsText(text, records, problems);
}

std::vector<SettingsFieldChange> SettingsChanges(const MachineRecords& before,
                                                 const MachineRecords& after) {
    std::vector<SettingsFieldChange> changes;
    for (const RecordEntry* s : SettableRecords()) {
        for (const FieldDescriptor& f : s->descriptor.fields) {
            std::string was = ShowValue(f, s->Record(before));
            std::string now = ShowValue(f, s->Record(after));
            if (was != now) {
                changes.push_back({s->name, f.name, std::move(was), std::move(now)});
            }
        }
    }
    return changes;
}
