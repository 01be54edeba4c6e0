#include "model/phonebook_vcard.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "model/phonebook_ops.h"
#include "model/phonebook_text.h"
#include "model/utf8_text.h"
#include "platform/ascii_text.h"
#include "protocol/phonebook.h"

namespace {

// A line after unfolding: where it began and what it says.
struct Line {
    int number;
    std::string text;
};

std::vector<Line> UnfoldedLines(std::string_view text) {
    std::vector<Line> lines;
    int number = 0;
    for (const std::string_view physical : TextLines(text)) {
        ++number;
        if (!physical.empty() && (physical[0] == ' ' || physical[0] == '\t') && !lines.empty()) {
            lines.back().text += physical.substr(1);
        } else {
            lines.push_back({number, std::string(physical)});
        }
    }
    return lines;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

struct Property {
    std::string group;               // upper case: "ITEM1" of "item1.TEL"
    std::string name;                // upper case, without its group
    std::vector<std::string> params; // upper case, as written: "TYPE=VOICE", "QUOTED-PRINTABLE"
    std::string value;
    bool has(std::string_view param) const {
        return std::any_of(params.begin(), params.end(), [&](const std::string& p) {
            return p == param || p.ends_with("=" + std::string(param));
        });
    }
};

// NAME;PARAM=VALUE;…:VALUE, the name maybe behind a group ("item1.TEL");
// a colon inside a quoted parameter value does not end the parameters.
bool ParseProperty(const std::string& line, Property& p) {
    size_t i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':') {
        ++i;
    }
    if (i == line.size()) {
        return false;
    }
    const std::string name = Upper(line.substr(0, i));
    const size_t dot = name.rfind('.');
    p.name = dot == std::string::npos ? name : name.substr(dot + 1);
    p.group = dot == std::string::npos ? std::string() : name.substr(0, dot);
    p.params.clear();
    while (line[i] == ';') {
        const size_t start = ++i;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ';' && line[i] != ':'))) {
            quoted = line[i] == '"' ? !quoted : quoted;
            ++i;
        }
        if (i == line.size()) {
            return false;
        }
        p.params.push_back(Upper(line.substr(start, i - start)));
    }
    p.value = line.substr(i + 1);
    return true;
}

// vCard 2.1 values may be quoted-printable, in the card's own character set:
// bytes that are no UTF-8 are taken as Windows-1252.
std::string QuotedPrintable(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '=' && platform::HexPairAt(value, i + 1) >= 0) {
            out += static_cast<char>(platform::HexPairAt(value, i + 1));
            i += 2;
        } else if (value[i] != '=' || i + 1 < value.size()) {
            out += value[i];
        }
    }
    return IsUtf8(out) ? out : Windows1252ToUtf8(out);
}

// The parts of a structured value (N) split at unescaped semicolons.
std::vector<std::string> Components(std::string_view value) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            parts.back() += value.substr(i, 2);
            ++i;
        } else if (value[i] == ';') {
            parts.emplace_back();
        } else {
            parts.back() += value[i];
        }
    }
    return parts;
}

// \n \N \, \; \\ as RFC 6350 and RFC 2426 write them; an unescaped comma
// separates list values, which become blanks.
std::string Unescaped(std::string_view value, bool listCommas) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            out += next == 'n' || next == 'N' ? '\n' : next;
        } else {
            out += listCommas && c == ',' ? ' ' : c;
        }
    }
    return out;
}

std::string TelNumber(const Property& p) {
    const std::string value = TrimBlanks(p.value);
    if (Upper(value.substr(0, 4)) == "TEL:") {
        // A tel: URI; of its parameters only the extension concerns the number.
        const std::string uri = value.substr(4);
        const size_t ext = Upper(uri).find(";EXT=");
        const std::string number = TrimBlanks(uri.substr(0, uri.find(';')));
        return ext == std::string::npos ? number
                                        : number + uri.substr(ext, uri.find(';', ext + 1) - ext);
    }
    return TrimBlanks(Unescaped(value, false));
}

// The types of a TEL: 2.1 writes them bare (TEL;WORK;FAX), 3.0 and 4.0 as
// TYPE= lists, maybe quoted; 4.0 says PREF=1.
CardNumber TypedNumber(const Property& p) {
    CardNumber n;
    n.text = TelNumber(p);
    for (const std::string& param : p.params) {
        const size_t eq = param.find('=');
        const std::string key = eq == std::string::npos ? "TYPE" : param.substr(0, eq);
        if (key == "PREF") {
            n.preferred = true;
        }
        if (key != "TYPE") {
            continue;
        }
        std::string list = param.substr(eq == std::string::npos ? 0 : eq + 1);
        std::erase(list, '"');
        for (size_t at = 0; at <= list.size();) {
            const size_t end = std::min(list.find(',', at), list.size());
            const std::string type = TrimBlanks(list.substr(at, end - at));
            n.fax = n.fax || type == "FAX";
            n.work = n.work || type == "WORK";
            n.preferred = n.preferred || type == "PREF";
            at = end + 1;
        }
    }
    return n;
}

// A card being read: its numbers keep their groups until the labels of the
// groups (X-ABLABEL) are known.
struct OpenCard {
    AddressCard card;
    std::string fn, n, org;
    std::vector<std::string> telGroups;
    std::map<std::string, std::string> labels; // group, its labels in lower case

    AddressCard close() {
        card.name = !fn.empty() ? fn : !n.empty() ? n : org;
        for (size_t i = 0; i < card.numbers.size(); ++i) {
            const auto label = labels.find(telGroups[i]);
            if (telGroups[i].empty() || label == labels.end()) {
                continue;
            }
            card.numbers[i].fax =
                card.numbers[i].fax || label->second.find("fax") != std::string::npos;
            card.numbers[i].work =
                card.numbers[i].work || label->second.find("work") != std::string::npos;
        }
        return std::move(card);
    }
};

std::string LowerText(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string VcardText(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == ',' || c == ';') {
            out += '\\';
            out += c;
        } else if (c == '\n' || c == '\r') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

bool LooksLikeVcards(std::string_view text) {
    for (const Line& line : UnfoldedLines(text)) {
        const std::string trimmed = TrimBlanks(line.text);
        if (!trimmed.empty()) {
            return Upper(trimmed) == "BEGIN:VCARD";
        }
    }
    return false;
}

std::vector<AddressCard> ReadVcards(std::string_view text,
                                    std::vector<PhonebookImportNote>& notes) {
    std::vector<AddressCard> cards;
    const std::vector<Line> lines = UnfoldedLines(text);
    std::optional<OpenCard> open;
    const auto unterminated = [&] {
        notes.push_back({PhonebookImportNote::Kind::kUnterminated, open->card.line, -1,
                         open->close().name, ""});
    };
    Property p;
    for (size_t l = 0; l < lines.size(); ++l) {
        if (!ParseProperty(lines[l].text, p)) {
            continue;
        }
        const std::string value = Upper(TrimBlanks(p.value));
        if (p.name == "BEGIN" && value == "VCARD") {
            if (open) {
                unterminated();
            }
            open.emplace();
            open->card.line = lines[l].number;
            continue;
        }
        if (!open) {
            continue;
        }
        if (p.name == "END" && value == "VCARD") {
            cards.push_back(open->close());
            open.reset();
            continue;
        }
        // Soft line breaks of quoted-printable values end in '='.
        if (p.has("QUOTED-PRINTABLE")) {
            while (p.value.ends_with("=") && l + 1 < lines.size()) {
                p.value.pop_back();
                p.value += lines[++l].text;
            }
            p.value = QuotedPrintable(p.value);
        }
        if (p.name == "FN") {
            open->fn = TrimBlanks(Unescaped(p.value, false));
        } else if (p.name == "N") {
            const std::vector<std::string> parts = Components(p.value);
            const std::string family = TrimBlanks(Unescaped(parts[0], true));
            const std::string given = parts.size() > 1 ? TrimBlanks(Unescaped(parts[1], true)) : "";
            open->n = TrimBlanks(given + " " + family);
        } else if (p.name == "ORG") {
            open->org = TrimBlanks(Unescaped(Components(p.value)[0], false));
        } else if (p.name == "TEL") {
            open->card.numbers.push_back(TypedNumber(p));
            open->telGroups.push_back(p.group);
        } else if (p.name == "X-ABLABEL") {
            open->labels[p.group] += LowerText(p.value) + "\n";
        }
    }
    if (open) {
        unterminated();
    }
    return cards;
}

std::string VcardPhonebookText(const MachineRecords& records) {
    std::string text;
    const int n = PhonebookSlots(records);
    for (int i = 0; i < n; ++i) {
        const PhonebookEntry& e = records.phonebookTable[i];
        if (e.kind != 0 || e.number[0] == 0) {
            continue;
        }
        const std::string name = VcardText(Latin1ToUtf8(SlotName(e)));
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + name + "\r\nN:" + name +
                ";;;;\r\nTEL;TYPE=FAX:" + VcardText(Latin1ToUtf8(SlotNumber(e))) +
                "\r\nEND:VCARD\r\n";
    }
    return text;
}
