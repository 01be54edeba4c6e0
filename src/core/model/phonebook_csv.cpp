#include "model/phonebook_csv.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>

#include "model/phonebook_ops.h"
#include "model/phonebook_text.h"
#include "protocol/phonebook.h"

namespace {

constexpr std::array<std::string_view, 5> kColumns = {"slot", "kind", "name", "number", "members"};
enum Column { kSlot, kKind, kName, kNumber, kMembers };

using Record = CsvRecord;

struct Records {
    std::vector<Record> records;
    std::vector<PhonebookImportProblem> problems;
};

bool LineEnd(char c) {
    return c == '\r' || c == '\n';
}

// The separator the header line holds most of: ",", ";" or tab.
char SniffSeparator(std::string_view text) {
    size_t counts[3] = {};
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && LineEnd(c)) {
            break;
        } else if (!quoted) {
            counts[0] += c == ',' ? 1 : 0;
            counts[1] += c == ';' ? 1 : 0;
            counts[2] += c == '\t' ? 1 : 0;
        }
    }
    return counts[2] > counts[0] && counts[2] > counts[1] ? '\t'
           : counts[1] > counts[0]                        ? ';'
                                                          : ',';
}

// Splits the text into records; quoted fields may hold separators, quotes
// and line breaks. A record that cannot be read whole becomes a problem.
Records SplitRecords(std::string_view text, char separator) {
    Records out;
    size_t i = 0;
    int line = 1;
    const size_t n = text.size();
    while (i < n) {
        Record record{line, {}};
        bool bad = false;
        for (;;) {
            std::string field;
            if (i < n && text[i] == '"') {
                const int opened = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const char c = text[i++];
                    if (c == '"') {
                        if (i < n && text[i] == '"') {
                            field += '"';
                            ++i;
                            continue;
                        }
                        closed = true;
                        break;
                    }
                    line += c == '\n' ? 1 : 0;
                    field += c;
                }
                if (!closed) {
                    out.problems.push_back({opened, "a quoted field is not closed"});
                    return out;
                }
                if (i < n && text[i] != separator && !LineEnd(text[i])) {
                    out.problems.push_back(
                        {line, "a quoted field must end at a separator or the line's end"});
                    bad = true;
                    while (i < n && !LineEnd(text[i])) {
                        ++i;
                    }
                }
            } else {
                while (i < n && text[i] != separator && !LineEnd(text[i])) {
                    field += text[i++];
                }
            }
            record.fields.push_back(std::move(field));
            if (i < n && text[i] == separator) {
                ++i;
                continue;
            }
            break;
        }
        if (i < n && text[i] == '\r') {
            ++i;
        }
        if (i < n && text[i] == '\n') {
            ++i;
        }
        ++line;
        const bool blank = record.fields.size() == 1 && record.fields[0].empty();
        if (!bad && !blank) {
            out.records.push_back(std::move(record));
        }
    }
    return out;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// A slot number: decimal digits below count; -1 when it is none.
int SlotNumberOf(const std::string& text, int count) {
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    const int value = std::stoi(text);
    return value < count ? value : -1;
}

std::string Quoted(const std::string& text) {
    return "'" + ShownFileText(text) + "'";
}

// Column indexes by name; a problem for a header that lacks one.
std::array<int, 5> ReadHeader(const Record& header, CsvPhonebook& book) {
    std::array<int, 5> index;
    index.fill(-1);
    for (size_t f = 0; f < header.fields.size(); ++f) {
        const std::string name = Lower(TrimBlanks(header.fields[f]));
        const auto known = std::find(kColumns.begin(), kColumns.end(), name);
        if (known == kColumns.end()) {
            continue; // other programs' extra columns
        }
        int& column = index[static_cast<size_t>(known - kColumns.begin())];
        if (column >= 0) {
            book.problems.push_back({header.line, "the column " + name + " comes twice"});
        }
        column = static_cast<int>(f);
        // Name and number alone are any address book's columns.
        book.isCsv = book.isCsv || (*known != "name" && *known != "number");
    }
    for (size_t c = 0; c < kColumns.size() && book.isCsv; ++c) {
        if (index[c] < 0) {
            book.problems.push_back(
                {header.line, "the header lacks the column " + std::string(kColumns[c])});
        }
    }
    return index;
}

// False when the line could not be read as a slot at all.
bool ReadSlotLine(const Record& record, const std::array<int, 5>& index, size_t columns,
                  int slotCount, CsvPhonebook& book) {
    const auto problem = [&](std::string message) {
        book.problems.push_back({record.line, std::move(message)});
    };
    if (record.fields.size() > columns) {
        problem(std::to_string(record.fields.size()) + " fields where the header has " +
                std::to_string(columns));
        return false;
    }
    const auto field = [&](Column c) {
        const size_t f = static_cast<size_t>(index[c]);
        return f < record.fields.size() ? record.fields[f] : std::string();
    };
    CsvSlotLine line;
    line.line = record.line;
    const std::string slotText = TrimBlanks(field(kSlot));
    line.slot = SlotNumberOf(slotText, slotCount);
    if (line.slot < 0) {
        problem("slot " + Quoted(slotText) + " is not a slot number from 0 to " +
                std::to_string(slotCount - 1));
    }
    const std::string kind = Lower(TrimBlanks(field(kKind)));
    if (kind != "single" && kind != "group" && !kind.empty()) {
        problem("kind " + Quoted(kind) + " is neither single nor group");
    }
    line.group = kind == "group";
    line.name = field(kName);
    line.number = field(kNumber);
    std::string members = field(kMembers);
    std::replace(members.begin(), members.end(), ',', ' ');
    for (size_t at = 0; (at = members.find_first_not_of(" \t", at)) != std::string::npos;) {
        const size_t end = std::min(members.find_first_of(" \t", at), members.size());
        const std::string word = members.substr(at, end - at);
        at = end;
        const int member = SlotNumberOf(word, slotCount);
        if (member < 0) {
            problem("member " + Quoted(word) + " is not a slot number from 0 to " +
                    std::to_string(slotCount - 1));
        } else if (member == line.slot) {
            problem("the group holds itself (member " + word + ")");
        } else {
            line.members.push_back(member);
        }
    }
    std::sort(line.members.begin(), line.members.end());
    line.members.erase(std::unique(line.members.begin(), line.members.end()), line.members.end());
    line.clears = line.name.empty() && line.number.empty() && line.members.empty();
    if (line.group && !line.number.empty()) {
        problem("a group has members, not a number");
    }
    if (!line.group && !line.members.empty()) {
        problem("a single-number slot has a number, not members");
    }
    book.lines.push_back(std::move(line));
    return true;
}

std::string CsvField(const std::string& text) {
    const bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) {
        return text;
    }
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

} // namespace

CsvPhonebook ReadCsvPhonebook(std::string_view text, int slotCount) {
    CsvPhonebook book;
    const Records split = SplitRecords(text, SniffSeparator(text));
    if (split.records.empty()) {
        return book; // no header: no CSV phonebook
    }
    const Record& header = split.records.front();
    const std::array<int, 5> index = ReadHeader(header, book);
    if (!book.isCsv) {
        book.problems = split.problems;
        book.addressBook = ReadAddressBookRows(
            header, std::vector<Record>(split.records.begin() + 1, split.records.end()),
            book.cards);
        book.isCsv = book.addressBook;
        return book;
    }
    book.problems.insert(book.problems.end(), split.problems.begin(), split.problems.end());
    if (std::all_of(index.begin(), index.end(), [](int c) { return c >= 0; })) {
        std::map<int, int> seen;
        for (size_t r = 1; r < split.records.size(); ++r) {
            if (!ReadSlotLine(split.records[r], index, header.fields.size(), slotCount, book)) {
                continue;
            }
            const CsvSlotLine& line = book.lines.back();
            if (line.slot < 0) {
                continue;
            }
            if (const auto [it, fresh] = seen.emplace(line.slot, line.line); !fresh) {
                book.problems.push_back({line.line, "slot " + std::to_string(line.slot) +
                                                        " is also on line " +
                                                        std::to_string(it->second)});
            }
        }
    }
    std::stable_sort(book.problems.begin(), book.problems.end(),
                     [](const auto& a, const auto& b) { return a.line < b.line; });
    return book;
}

std::string CsvPhonebookText(const MachineRecords& records) {
    std::string text = "slot,kind,name,number,members\r\n";
    const int n = PhonebookSlots(records);
    for (int i = 0; i < n; ++i) {
        const PhonebookEntry& e = records.phonebookTable[i];
        if (SlotIsEmpty(e)) {
            continue;
        }
        std::string members;
        for (const int m : GroupMemberSlots(records, i)) {
            members += (members.empty() ? "" : " ") + std::to_string(m);
        }
        text += std::to_string(i) + (e.kind == 0 ? ",single," : ",group,") +
                CsvField(Latin1ToUtf8(SlotName(e))) + "," +
                (e.kind == 0 ? CsvField(Latin1ToUtf8(SlotNumber(e))) : "") + "," + members + "\r\n";
    }
    return text;
}
