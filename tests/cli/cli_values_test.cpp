// faxrcp-cli's fields: every value the record table allows goes to the
// machine and comes back as it was printed; every other value is refused
// before the machine is opened; JSON and text show the same fields.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_output.h"
#include "cli_fixture.h"
#include "json_reader.h"
#include "protocol/record_registry.h"
#include "protocol/record_table.h"
#include "protocol/text_filter.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        lines.push_back(l);
    }
    return lines;
}

std::string Upper(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

struct Value {
    std::string typed;
    std::string printed;
};

// A value the table allows for the field, different from round to round, as
// typed and as the tool prints it back.
Value ValueFor(const FieldDescriptor& f, int round) {
    switch (f.kind) {
    case FieldKind::Byte:
    case FieldKind::Be16:
    case FieldKind::Be32: {
        if (!f.names.empty()) {
            const ValueName& v = f.names[static_cast<size_t>(round) % f.names.size()];
            // Names in any letter case, and the numbers they stand for.
            return {round % 2 ? std::to_string(v.value) : Upper(v.name), v.name};
        }
        const uint32_t pick[] = {f.minimum, f.maximum, f.minimum + (f.maximum - f.minimum) / 2};
        const std::string n = std::to_string(pick[round % 3]);
        return {n, n};
    }
    case FieldKind::Text: {
        std::string chars;
        for (unsigned c = 0x20; c < 0x7F; ++c) {
            if (text_filter::Accepts(f.text.filterMode, c)) {
                chars += static_cast<char>(c);
            }
        }
        std::string typed;
        const size_t length = round % 4 == 3 ? 0 : static_cast<size_t>(f.width - round % 3);
        for (size_t i = 0; i < length; ++i) {
            typed += chars[(static_cast<size_t>(round) * 7 + i) % chars.size()];
        }
        const std::string stored = f.text.upperCase ? Upper(typed) : typed;
        return {typed, std::string(cli::TrimPadding(stored))};
    }
    case FieldKind::DateTime: {
        const char* dates[] = {"1990-01-01 00:00", "2089-12-31 23:59", "2024-02-29 12:30",
                               "2023-11-30 07:05"};
        return {dates[round % 4], dates[round % 4]};
    }
    case FieldKind::Bytes: {
        std::string list;
        for (int i = 0; i < f.width; ++i) {
            list += (i ? "," : "") + std::to_string((round * 37 + i * 101) % 256);
        }
        return {list, list};
    }
    }
    return {};
}

class CliValuesTest : public CliTest {};

TEST_F(CliValuesTest, RefusedValuesExitTwoNamingTheFieldValueAndRangeAndSendNothing) {
    const auto range = [](const RecordDescriptor& d, const char* name) {
        const FieldDescriptor* f = nullptr;
        for (const FieldDescriptor& field : d.fields) {
            f = std::strcmp(field.name, name) == 0 ? &field : f;
        }
        return std::string(name) + " takes a number from " + std::to_string(f->minimum) + " to " +
               std::to_string(f->maximum);
    };
    const std::string id = "machineId takes up to 20 characters: A-Z, a-z, 0-9, blank and # & ' "
                           "* + , - . /; letters become capitals";
    const std::string date = "takes a date and time \"YYYY-MM-DD HH:MM\" from 1990-01-01 00:00 "
                             "to 2089-12-31 23:59";
    const struct {
        cli::Args args;
        std::string message; // after "faxrcp-cli: "
    } cases[] = {
        {{"setup", "set", "copies=0"}, "copies=0 refused: " + range(kSetupRecord, "copies")},
        {{"setup", "set", "ringCount=50"},
         "ringCount=50 refused: " + range(kSetupRecord, "ringCount")},
        {{"setup", "set", "copies=3", "zoom=1000"},
         "zoom=1000 refused: " + range(kSetupRecord, "zoom")},
        {{"setup", "set", "redialCount=-1"},
         "redialCount=-1 refused: " + range(kSetupRecord, "redialCount")},
        {{"setup", "set", "reservedSetup0=256"},
         "reservedSetup0=256 refused: " + range(kSetupRecord, "reservedSetup0") +
             ", carried unchanged"},
        {{"setup", "set", "trayPaperSize=200"},
         "trayPaperSize=200 refused: trayPaperSize takes one of Letter, Legal, A4, Executive, "
         "Folio, A5, B5, A6, or their numbers 0 to 7"},
        {{"setup", "set", "contrast=9"},
         "contrast=9 refused: contrast takes one of lighten, normal, darken, or their numbers 0 "
         "to 2"},
        {{"status", "set", "language=42"},
         "language=42 refused: language takes one of english, french, spanish, german, italian, "
         "dutch, danish, portuguese, swedish, or their numbers 0, 1, 2, 4, 5, 6, 8, 11, 12"},
        {{"status", "set", "language=3"}, "language=3 refused: language takes one of english"},
        {{"status", "set", "tollSaverStart=2024-02-31 10:00"},
         "tollSaverStart=2024-02-31 10:00 refused: 2024-02-31 10:00 is no date and time; "
         "tollSaverStart " +
             date},
        {{"status", "set", "tollSaverEnd=2023-02-29 10:00"},
         "tollSaverEnd=2023-02-29 10:00 refused: 2023-02-29 10:00 is no date and time"},
        {{"status", "set", "tollSaverEnd=2090-01-01 00:00"},
         "tollSaverEnd=2090-01-01 00:00 refused: the year is outside the machine's"},
        {{"status", "set",
          "machineId=\xC3\x89"
          "COLE"},
         "machineId=\\xC3\\x89COLE refused: byte \\xC3 is not a character it takes; " + id},
        {{"status", "set", "machineId=A\tB"},
         "machineId=A\\x09B refused: byte \\x09 is not a character it takes; " + id},
        {{"status", "set", "machineId=" + std::string(21, 'A')},
         "machineId=" + std::string(21, 'A') + " refused: it has 21 characters; " + id},
        {{"status", "set", "statusExtra=1,2,3"},
         "statusExtra=1,2,3 refused: reservedStatus43 takes 5 numbers from 0 to 255, separated "
         "by commas, carried unchanged"},
        {{"setup", "set", "copies=1", "Copies=2"}, "copies is given twice"},
        {{"setup", "set", "colour=1"},
         "unknown field 'colour' of the setup (faxrcp-cli help setup set lists them)"},
        {{"setup", "get", "copies", "colour"}, "unknown field 'colour' of the setup"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(Run(c.args), cli::kExitUsage);
        const std::string said = err.str();
        EXPECT_TRUE(said.starts_with("faxrcp-cli: " + c.message)) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(machine().openCount(), 0); // not even opened
    }
    // Every refusal of a command is said, one line each.
    EXPECT_EQ(Run({"setup", "set", "copies=0", "zoom=100", "ringCount=50", "contrast=9"}),
              cli::kExitUsage);
    const std::string said = err.str();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 3) << said;
    EXPECT_NE(said.find("\nfaxrcp-cli: contrast=9 refused"), std::string::npos) << said;
}

TEST_F(CliValuesTest, EveryAllowedValueGoesToTheMachineAndComesBackAsPrinted) {
    for (const RecordEntry* entry : SettableRecords()) {
        const struct {
            const char* what;
            const RecordDescriptor& record;
        } r = {entry->name, entry->descriptor};
        for (int round = 0; round < 12; ++round) {
            SCOPED_TRACE(std::string(r.what) + " round " + std::to_string(round));
            cli::Args set = {"--all", r.what, "set"};
            std::vector<std::string> expected;
            for (const FieldDescriptor& f : r.record.fields) {
                const Value v = ValueFor(f, round);
                set.push_back(std::string(f.name) + "=" + v.typed);
                expected.push_back(std::string(f.name) + "=" + v.printed);
            }
            ASSERT_EQ(Run(set), cli::kExitOk) << err.str();
            EXPECT_EQ(Lines(out.str()), expected);
            EXPECT_EQ(err.str(), "");

            ASSERT_EQ(Run({r.what, "get", "--all"}), cli::kExitOk) << err.str();
            EXPECT_EQ(Lines(out.str()), expected);
            // A choice reaches the machine as the number its name stands for.
            const std::vector<uint8_t> block = machine().recordBlock(r.record.code);
            for (const FieldDescriptor& f : r.record.fields) {
                if (f.kind == FieldKind::Byte && !f.names.empty()) {
                    const std::string name = ValueFor(f, round).printed;
                    const auto v = std::find_if(f.names.begin(), f.names.end(),
                                                [&](const ValueName& n) { return n.name == name; });
                    EXPECT_EQ(block[f.wireOffset], v->value) << f.name;
                }
            }

            // The printed lines, given back, change nothing.
            cli::Args again = {r.what, "set"};
            for (const std::string& line : Lines(out.str())) {
                again.push_back(line);
            }
            ASSERT_EQ(Run(again), cli::kExitOk) << err.str();
            ASSERT_EQ(Run({r.what, "get", "--all"}), cli::kExitOk);
            EXPECT_EQ(Lines(out.str()), expected);
        }
    }
}

TEST_F(CliValuesTest, OldNamesAndChosenFieldsAndNumbersForNames) {
    EXPECT_EQ(Run({"setup", "set", "SETUPBYTE0=7", "setupByte15=8", "TrayPaperSize=a5"}),
              cli::kExitOk)
        << err.str();
    EXPECT_EQ(Run({"setup", "get", "setupByte15", "trayPaperSize", "reservedSetup0"}),
              cli::kExitOk);
    EXPECT_EQ(out.str(), "reservedSetup15=8\ntrayPaperSize=A5\nreservedSetup0=7\n");
    EXPECT_EQ(Run({"status", "set", "speaker=2", "bypassPaperType=1"}), cli::kExitUsage);
    EXPECT_EQ(Run({"status", "set", "speaker=2", "ringer=Med", "powerSave=30 minutes"}),
              cli::kExitOk)
        << err.str();
    EXPECT_EQ(Run({"status", "get", "speaker", "ringer", "powerSave"}), cli::kExitOk);
    EXPECT_EQ(out.str(), "speaker=com\nringer=med\npowerSave=30-minutes\n");
    EXPECT_EQ(Run({"info", "printCount", "firmwareVersion"}), cli::kExitOk);
    EXPECT_EQ(out.str(), "printCount=8910\nfirmwareVersion=2.05\n");
    // Counters are unsigned: all bits set is 4294967295, not -1.
    sim::InfoBlock info = machine().infoBlock();
    std::fill(info.begin() + 9, info.begin() + 13, 0xFF);
    machine().setInfoBlock(info);
    EXPECT_EQ(Run({"info", "printCount"}), cli::kExitOk);
    EXPECT_EQ(out.str(), "printCount=4294967295\n");
}

// Values a name=value line shows again, from what the JSON holds.
std::string AsLine(const JsonNode& v) {
    if (v.kind == 's') {
        return cli::EscapeText(v.text);
    }
    if (v.kind == 'n') {
        return v.text;
    }
    std::string list;
    for (const auto& [unnamed, item] : v.members) {
        list += (list.empty() ? "" : ",") + item.text;
    }
    return list;
}

TEST_F(CliValuesTest, JsonHoldsTheFieldsOfTheLinesUnderTheSameNames) {
    // Machine texts with control characters, a backslash and Latin-1 bytes.
    auto status = machine().statusBlock();
    std::memcpy(&status[20], "A\x01\\B\xE9  \0\0\0\0\0\0\0\0\0\0\0\0\0", 20);
    machine().setStatusBlock(status);
    machine().setSlotNumber(5, "Tab\tName", "12\x7F");

    for (const cli::Args& get :
         {cli::Args{"setup", "get"}, cli::Args{"status", "get"}, cli::Args{"info"}}) {
        SCOPED_TRACE(get[0]);
        ASSERT_EQ(Run(get), cli::kExitOk);
        const std::vector<std::string> lines = Lines(out.str());
        cli::Args json = get;
        json.push_back("--json");
        ASSERT_EQ(Run(json), cli::kExitOk);
        JsonNode node;
        ASSERT_TRUE(JsonReader::Read(out.str(), node)) << out.str();
        ASSERT_EQ(node.kind, 'o');
        ASSERT_EQ(node.members.size(), lines.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(node.members[i].first + "=" + AsLine(node.members[i].second), lines[i]);
        }
    }
    ASSERT_EQ(Run({"status", "get", "machineId"}), cli::kExitOk);
    EXPECT_EQ(out.str(), "machineId=A\\x01\\\\B\\xE9\n");
    ASSERT_EQ(Run({"status", "get", "machineId", "--json"}), cli::kExitOk);
    EXPECT_EQ(out.str(), "{\n  \"machineId\": \"A\\u0001\\\\B\\u00E9\"\n}\n");

    // The phonebook: a header, kinds by name, the same slots in JSON.
    ASSERT_EQ(Run({"phonebook", "list"}), cli::kExitOk);
    const std::vector<std::string> rows = Lines(out.str());
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0], "SLOT\tKIND\tNAME\tNUMBER OR MEMBERS");
    EXPECT_EQ(rows[5], "5\tsingle\tTab\\x09Name\t12\\x7F");
    EXPECT_EQ(rows[7], "10\tgroup\tTeam\t0,1,4");
    ASSERT_EQ(Run({"phonebook", "list", "--json"}), cli::kExitOk);
    JsonNode book;
    ASSERT_TRUE(JsonReader::Read(out.str(), book)) << out.str();
    ASSERT_EQ(book.kind, 'a');
    ASSERT_EQ(book.members.size(), rows.size() - 1);
    for (size_t i = 0; i < book.members.size(); ++i) {
        std::string row;
        for (const auto& [name, value] : book.members[i].second.members) {
            row += (row.empty() ? "" : "\t") + AsLine(value);
        }
        EXPECT_EQ(row, rows[i + 1]);
    }

    // The fields table names every field with its value and what it takes.
    ASSERT_EQ(Run({"setup", "fields", "--json", "--all"}), cli::kExitOk);
    JsonNode fields;
    ASSERT_TRUE(JsonReader::Read(out.str(), fields)) << out.str();
    ASSERT_EQ(fields.members.size(), std::size(record_table::kSetupFields));
    EXPECT_EQ(fields.members[2].first, "trayPaperSize");
    EXPECT_EQ(fields.members[2].second.members[0].second.text, "A4");
    ASSERT_EQ(Run({"setup", "fields", "--all"}), cli::kExitOk);
    const std::vector<std::string> table = Lines(out.str());
    ASSERT_EQ(table.size(), std::size(record_table::kSetupFields) + 1);
    EXPECT_TRUE(table[0].starts_with("FIELD ")) << table[0];
    // Columns: name, value, what the field takes ("copies" is the 11th field).
    const std::string& copies = table[11];
    const size_t value = copies.find_first_not_of(' ', copies.find(' '));
    EXPECT_TRUE(copies.starts_with("copies ")) << copies;
    EXPECT_EQ(value, table[0].find("VALUE"));
    EXPECT_EQ(copies.substr(table[0].find("ALLOWED")), "1..99");
    EXPECT_EQ(err.str(), "");
}

} // namespace
