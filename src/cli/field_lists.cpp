// Writes the field lists of faxrcp-cli's bash completion and manual page from
// the record registry, at build time:
//
//   faxrcp_field_lists bash|man TEMPLATE OUTPUT
//
// copies TEMPLATE to OUTPUT with its line "@FIELD_LISTS@" replaced by the
// lists. The completion offers the field and value names; the page says what
// each field takes.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "model/field_text.h"
#include "protocol/record_registry.h"
#include "protocol/text_filter.h"

namespace {

using Words = std::vector<std::string>;

constexpr size_t kScriptWidth = 95;
constexpr size_t kPageWidth = 79;

bool IsReserved(const FieldDescriptor& f) {
    return field_text::IsReserved(f);
}

Words ValueNames(const FieldDescriptor& f) {
    Words names;
    for (const ValueName& v : f.names) {
        names.push_back(v.name);
    }
    return names;
}

std::string Joined(const Words& words, const std::string& separator) {
    std::string text;
    for (const std::string& w : words) {
        text += (text.empty() ? "" : separator) + w;
    }
    return text;
}

// "echo WORDS" from indent on, wrapped under it with a backslash at
// kScriptWidth.
std::string Echo(const std::string& indent, const std::string& head, const Words& words) {
    std::string text;
    std::string line = indent + head + "echo";
    for (size_t i = 0; i < words.size(); ++i) {
        const bool last = i + 1 == words.size();
        if (line.size() + 1 + words[i].size() + (last ? 0 : 2) > kScriptWidth &&
            line.size() > indent.size() + head.size() + 4) {
            text += line + " \\\n";
            line = indent + "    " + words[i];
        } else {
            line += " " + words[i];
        }
    }
    return text + line + "\n";
}

std::string BashLists() {
    std::string text = "# The reserved fields only with --all on the line ($2 set).\n"
                       "_faxrcp_cli_fields() {\n    case $1 in\n";
    std::vector<const FieldDescriptor*> choices;
    for (const RecordEntry& r : RecordRegistry()) {
        Words shown, reserved;
        for (const FieldDescriptor& f : r.descriptor.fields) {
            (IsReserved(f) ? reserved : shown).push_back(f.name);
            if (!f.names.empty() && r.Settable()) {
                choices.push_back(&f);
            }
        }
        text += "    " + std::string(r.name) + ")\n" + Echo("        ", "", shown);
        if (!reserved.empty()) {
            text += Echo("        ", "[[ -n $2 ]] && ", reserved);
        }
        text += "        ;;\n";
    }
    text += "    esac\n}\n\n"
            "# The value names of a field; nothing for numbers, texts and dates.\n"
            "_faxrcp_cli_values() {\n    case $1 in\n";
    // One arm per list of value names, where its last field stands.
    for (size_t i = 0; i < choices.size(); ++i) {
        const Words values = ValueNames(*choices[i]);
        Words fields;
        bool later = false;
        for (size_t j = 0; j < choices.size(); ++j) {
            if (ValueNames(*choices[j]) == values) {
                fields.push_back(choices[j]->name);
                later |= j > i;
            }
        }
        if (later) {
            continue;
        }
        const std::string pattern = "    " + Joined(fields, " | ") + ")";
        const std::string oneLine = pattern + " echo " + Joined(values, " ") + " ;;";
        text += oneLine.size() <= kScriptWidth
                    ? oneLine + "\n"
                    : pattern + "\n" + Echo("        ", "", values) + "        ;;\n";
    }
    return text + "    esac\n}\n";
}

// Text for the page: hyphens, quotes and backslashes as groff wants them.
std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '-' ? "\\-" : c == '\'' ? "\\(aq" : c == '\\' ? "\\e" : std::string(1, c);
    }
    return out;
}

// Bold words separated by commas, wrapped at kPageWidth; then after.
std::string BoldList(const Words& words, const std::string& after = "") {
    std::string text;
    Words line;
    const auto flush = [&](bool last) {
        if (line.size() == 1 && (last && after.empty())) {
            text += ".B " + line[0] + "\n";
        } else {
            text += ".BR " + Joined(line, " \", \" ") + (last ? after : " ,") + "\n";
        }
        line.clear();
    };
    const auto width = [&](const Words& l, bool last) {
        return 4 + Joined(l, " \", \" ").size() + (last ? after.size() : 2);
    };
    for (size_t i = 0; i < words.size(); ++i) {
        Words wider = line;
        wider.push_back(Roff(words[i]));
        if (!line.empty() && width(wider, i + 1 == words.size()) > kPageWidth) {
            flush(false);
            wider = {Roff(words[i])};
        }
        line = wider;
    }
    flush(true);
    return text;
}

const char* const kCounts[] = {"no",  "one",   "two",   "three", "four", "five",
                               "six", "seven", "eight", "nine",  "ten"};

// What a settable field takes, as the page says it. earlier: the fields
// before it in its record.
std::string Takes(const FieldDescriptor& f, std::span<const FieldDescriptor> earlier) {
    std::string text;
    bool firstReserved = IsReserved(f);
    for (const FieldDescriptor& e : earlier) {
        firstReserved &= !IsReserved(e);
    }
    const std::string carried = firstReserved ? ", carried unchanged" : "";
    switch (f.kind) {
    case FieldKind::Byte:
    case FieldKind::Be16:
    case FieldKind::Be32:
        if (!f.names.empty()) {
            // A longer list said once in a record.
            for (const FieldDescriptor& e : earlier) {
                if (f.names.size() > 2 && ValueNames(e) == ValueNames(f)) {
                    return "as\n.B " + std::string(e.name) + "\n";
                }
            }
            text = BoldList(ValueNames(f));
            if (f.names.size() != f.maximum - f.minimum + 1) {
                Words numbers;
                for (const ValueName& v : f.names) {
                    numbers.push_back(std::to_string(v.value));
                }
                text += "(the numbers " + Joined(numbers, ", ") + ")\n";
            }
            return text;
        }
        text = std::to_string(f.minimum) + " to " + std::to_string(f.maximum) + carried;
        if (f.unit != nullptr) {
            text += " (" + std::string(f.unit) + ")";
        }
        break;
    case FieldKind::Bytes: {
        const size_t count = static_cast<size_t>(f.width);
        text = (count < std::size(kCounts) ? kCounts[count] : std::to_string(count)) +
               std::string(" numbers 0 to 255 separated by commas") + carried;
        break;
    }
    case FieldKind::Text: {
        // The marks after the letters and digits in bold, when there are several.
        const std::string chars(text_filter::Describe(f.text.filterMode));
        const size_t and_ = chars.rfind(" and ");
        const std::string marks = and_ == std::string::npos ? "" : chars.substr(and_ + 5);
        text = "up to " + std::to_string(f.width) + " of ";
        text += marks.find(' ') != std::string::npos
                    ? Roff(chars.substr(0, and_)) + " and\n.B " + Roff(marks)
                    : Roff(chars);
        if (f.text.upperCase) {
            text += "\n(letters become capitals)";
        }
        return text + "\n";
    }
    case FieldKind::DateTime:
        return "a date and time from " + Roff(field_text::DateLimit(f.minimum, false)) + " to " +
               Roff(field_text::DateLimit(f.maximum, true)) + "\n";
    }
    if (const char* old = field_text::OldName(f)) {
        text += " (also\n.BR " + std::string(old) + " )";
    }
    return text + "\n";
}

std::string Upper(const char* name) {
    std::string text = name;
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string ManLists() {
    std::string text;
    for (const RecordEntry& r : RecordRegistry()) {
        text += ".SS " + Upper(r.name) + " FIELDS\n";
        const std::span<const FieldDescriptor> fields = r.descriptor.fields;
        if (!r.Settable()) {
            Words names;
            for (const FieldDescriptor& f : fields) {
                names.push_back(f.name);
            }
            text += "Read only:\n";
            for (size_t i = 0; i < names.size(); ++i) {
                text += ".BR " + names[i] + (i + 1 == names.size() ? " .\n" : " ,\n");
            }
            continue;
        }
        // Neighbours that take the same share one entry.
        for (size_t i = 0; i < fields.size();) {
            const std::string takes = Takes(fields[i], fields.first(i));
            Words names = {fields[i].name};
            size_t next = i + 1;
            while (next < fields.size() && Takes(fields[next], fields.first(next)) == takes) {
                names.push_back(fields[next++].name);
            }
            text += (i == 0 ? ".TP 18\n" : ".TQ\n");
            text += names.size() == 1 ? ".B " + names[0] + "\n"
                                      : ".BR " + Joined(names, " \", \" ") + "\n";
            text += takes;
            i = next;
        }
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "bash") != 0 && std::strcmp(argv[1], "man") != 0)) {
        std::cerr << "usage: faxrcp_field_lists bash|man TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[2]);
    std::ostringstream out;
    int replaced = 0;
    for (std::string line; std::getline(in, line);) {
        if (line == "@FIELD_LISTS@") {
            out << (std::strcmp(argv[1], "bash") == 0 ? BashLists() : ManLists());
            ++replaced;
        } else {
            out << line << "\n";
        }
    }
    if (!in.eof() || replaced != 1) {
        std::cerr << argv[2] << ": cannot be read, or has no single @FIELD_LISTS@ line\n";
        return 1;
    }
    // Whole or not at all: a failed run leaves no half-written list for the
    // next build to take as done.
    const std::string part = std::string(argv[3]) + ".part";
    std::ofstream file(part, std::ios::binary | std::ios::trunc);
    file << out.str();
    file.close();
    if (!file || std::rename(part.c_str(), argv[3]) != 0) {
        std::remove(part.c_str());
        std::cerr << argv[3] << ": cannot be written\n";
        return 1;
    }
    return 0;
}
