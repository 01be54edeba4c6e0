#include "model/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "model/field_text.h"
#include "protocol/record_registry.h"
#include "protocol/record_table.h"
#include "support/platform/temp_dir.h"

namespace {

// Two sets of records that differ in every settable field: "low" holds each
// field's first value, "high" its last.
using Records = MachineRecords;

void Fill(const RecordDescriptor& d, void* record, bool high) {
    for (const FieldDescriptor& f : d.fields) {
        std::string value;
        if (!f.names.empty()) {
            value = high ? f.names.back().name : f.names.front().name;
        } else if (f.kind == FieldKind::Text) {
            value = high ? "1 2+3" : "9";
        } else if (f.kind == FieldKind::DateTime) {
            value = field_text::DateLimit(high ? f.maximum : f.minimum, high);
        } else if (f.kind == FieldKind::Bytes) {
            value = high ? "1,2,3,4,255" : "0,0,0,0,0";
        } else {
            value = std::to_string(high ? f.maximum : f.minimum);
        }
        ASSERT_EQ(field_text::StoreValue(f, record, value), std::nullopt) << f.name;
    }
}

Records Filled(bool high) {
    Records r;
    for (const RecordEntry& e : RecordRegistry()) {
        if (e.Settable()) {
            Fill(e.descriptor, e.record(r), high);
        }
    }
    return r;
}

bool Same(const Records& a, const Records& b) {
    return SettingsChanges(a, b).empty() &&
           std::memcmp(&a.systemSetup, &b.systemSetup, sizeof a.systemSetup) == 0 &&
           std::memcmp(&a.systemStatus, &b.systemStatus, sizeof a.systemStatus) == 0;
}

FileError Apply(const std::string& text, Records& r, std::vector<SettingsFileProblem>& problems) {
    return ApplySettingsText(text, r, problems);
}

// Applies text over the low records, expecting error; they must not change.
std::vector<SettingsFileProblem> Refused(const std::string& text, FileError error) {
    Records r = Filled(false);
    const Records before = r;
    std::vector<SettingsFileProblem> problems;
    EXPECT_EQ(Apply(text, r, problems), error);
    EXPECT_TRUE(Same(r, before));
    return problems;
}

// The text with the line that begins with `from` replaced by `to`.
std::string Edited(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find("\n" + from);
    EXPECT_NE(at, std::string::npos) << from;
    const size_t end = text.find('\n', at + 1);
    return text.replace(at + 1, end - at - 1, to);
}

TEST(SettingsFile, EveryFieldOfBothRecordsRoundTrips) {
    const Records high = Filled(true);
    const std::string text = SettingsFileText(high);

    EXPECT_EQ(text.rfind("faxrcp settings 1\n[setup]\nreservedSetup0=", 0), 0u) << text;
    EXPECT_NE(text.find("\n[status]\nmachineNumber=1 2+3\n"), std::string::npos);
    EXPECT_NE(text.find("\ntrayPaperSize=A6\n"), std::string::npos);
    EXPECT_NE(text.find("\ntollSaverEnd=2089-12-31 23:59\n"), std::string::npos);

    Records low = Filled(false);
    const Records before = low;
    std::vector<SettingsFileProblem> problems;
    ASSERT_EQ(Apply(text, low, problems), FileError::kNone);
    EXPECT_TRUE(problems.empty());
    EXPECT_TRUE(Same(low, high));
    size_t fields = 0;
    for (const RecordEntry* r : SettableRecords()) {
        fields += r->descriptor.fields.size();
    }
    EXPECT_EQ(SettingsChanges(before, low).size(), fields);
}

TEST(SettingsFile, AnEditedValueChangesThatFieldAlone) {
    const Records high = Filled(true);
    const std::string text = SettingsFileText(high);
    const struct {
        const char* from;
        const char* to;
        const char* section;
        const char* shown;
    } edits[] = {
        {"copies=", "copies=5", "setup", "5"},
        {"trayPaperSize=", "TrayPaperSize = legal", "setup", "Legal"},
        {"reservedSetup15=", "setupByte15=7", "setup", "7"},
        {"machineId=", "machineId= front  office", "status", " FRONT  OFFICE"},
        {"tollSaverStart=", "tollSaverStart=2024-02-29 07:05", "status", "2024-02-29 07:05"},
        {"reservedStatus43=", "reservedStatus43=9,8,7,6,5", "status", "9,8,7,6,5"},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.to);
        Records r = Filled(false);
        std::vector<SettingsFileProblem> problems;
        ASSERT_EQ(Apply(Edited(text, e.from, e.to), r, problems), FileError::kNone);
        const auto changes = SettingsChanges(high, r);
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_STREQ(changes[0].section, e.section);
        EXPECT_EQ(changes[0].after, e.shown);
    }
}

TEST(SettingsFile, FieldsTheFileLeavesOutKeepTheirValues) {
    Records r = Filled(false);
    const Records before = r;
    std::vector<SettingsFileProblem> problems;
    ASSERT_EQ(Apply("faxrcp settings 1\n[status]\nringer=high\n[setup]\n", r, problems),
              FileError::kNone);
    const auto changes = SettingsChanges(before, r);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_STREQ(changes[0].name, "ringer");
    EXPECT_EQ(changes[0].before, "off");
    EXPECT_EQ(changes[0].after, "high");

    // The head alone changes nothing.
    ASSERT_EQ(Apply("faxrcp settings 1", r, problems), FileError::kNone);
}

TEST(SettingsFile, RefusedLinesChangeNothingAndNameTheirLine) {
    const std::string head = "faxrcp settings 1\n# kept\n[setup]\ncopies=5\n";
    const struct {
        std::string line;
        std::string message;
    } cases[] = {
        {"colour=red", "unknown field 'colour' in [setup]"},
        {"zoom=401", "zoom=401 refused: zoom takes a number from 25 to 400"},
        {"copies=7", "copies is given twice (first on line 4)"},
        {"zoom", "expected name=value, got 'zoom'"},
        {"trayPaperSize=A3", "trayPaperSize=A3 refused: trayPaperSize takes one of Letter"},
        {"[info]", "unknown section '[info]'"},
        {"[status]\nmachineNumber=12a", "machineNumber=12a refused: 'a' is not a character"},
        {"[status]\ntollSaverStart=2023-02-29 10:00",
         "tollSaverStart=2023-02-29 10:00 refused: 2023-02-29 10:00 is no date and time"},
        {"[status]\ntollSaverEnd=2090-01-01 00:00", "the year is outside the machine's"},
        {"[status]\ntollSaverEnd=2024-01-01", "tollSaverEnd takes a date and time"},
        {"[status]\nmachineId=AB\\x01", "machineId=AB\\\\x01 refused: byte \\x01 is not a "
                                        "character it takes"},
        {"[status]\nmachineId=" + std::string(21, 'A'), "it has 21 characters"},
        {"[status]\nreservedStatus43=1,2,3,4", "reservedStatus43 takes 5 numbers"},
        {"[setup]\nsetupByte0=1\nreservedSetup0=2", "reservedSetup0 is given twice (first on "
                                                    "line 6)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const auto problems =
            Refused(head + c.line + "\n\n[status]\nringer=high\n", FileError::kProblems);
        ASSERT_EQ(problems.size(), 1u);
        const int lines = static_cast<int>(std::count(c.line.begin(), c.line.end(), '\n'));
        EXPECT_EQ(problems[0].line, 5 + lines);
        EXPECT_NE(problems[0].message.find(c.message), std::string::npos) << problems[0].message;
    }

    // Every refused line is listed, each once; a field before any section too.
    const auto problems =
        Refused("faxrcp settings 1\ncopies=5\n[setup]\nx=1\n[nope]\ny=2\n[setup]\nzoom=0\n",
                FileError::kProblems);
    std::vector<int> lines;
    for (const auto& p : problems) {
        lines.push_back(p.line);
    }
    ASSERT_EQ(lines, (std::vector<int>{2, 4, 5, 8}));
    EXPECT_EQ(problems[0].message, "'copies=5' before [setup] or [status]");
}

TEST(SettingsFile, OnlyAFirstVersionHeadAndUtf8TextAreRead) {
    const Records high = Filled(true);
    const std::string body = SettingsFileText(high).substr(18);
    for (const std::string& text : {
             "faxrcp settings 2\n" + body,
             "faxrcp settings 10\n" + body,
             "faxrcp settings\n" + body,
             "faxrcp settings 1x\n" + body,
             "faxrcp settings 01\n" + body,
             std::string("# only comments\n\n"),
             body,
             std::string(),
             std::string("\n"),
             "faxrcp settings 1\n# caf\xE9\n" + body,      // Latin-1, not UTF-8
             "faxrcp settings 1\n# \xC0\xAF\n" + body,     // an overlong "/"
             "faxrcp settings 1\n# \xED\xA0\x80\n" + body, // a surrogate
             "faxrcp settings 1\n# \xE2\x82" + body,       // cut inside a character
             "faxrcp settings 1\n#" + std::string(1 << 20, 'x') + "\n" + body,
         }) {
        SCOPED_TRACE(text.substr(0, 30));
        EXPECT_TRUE(Refused(text, FileError::kWrongContent).empty());
    }

    // A byte order mark, CR LF, comments and blank lines (also before the
    // head), blanks and UTF-8 in a comment are all taken.
    std::string crlf;
    for (char c : body) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const std::string text = "\xEF\xBB\xBF# before the head\r\n\r\n"
                             "faxrcp settings 1 \r\n\r\n  # Büro \xE2\x82\xAC\r\n" +
                             Edited(crlf, "copies=", "  copies = 99 \r") + "\r\n";
    Records r = Filled(false);
    std::vector<SettingsFileProblem> problems;
    EXPECT_EQ(Apply(text, r, problems), FileError::kNone);
    EXPECT_TRUE(problems.empty());
    EXPECT_TRUE(Same(r, high));
}

TEST(SettingsFile, TextsKeepTheMachinesPaddingAndOddBytesStayOnTheirLine) {
    // As the machine sends them: padded with blanks.
    Records machine = Filled(true);
    std::memset(machine.systemStatus.machineId, ' ', 20);
    std::memcpy(machine.systemStatus.machineId, "FRONT OFFICE", 12);
    const std::string text = SettingsFileText(machine);
    EXPECT_NE(text.find("\nmachineId=FRONT OFFICE\n"), std::string::npos);
    Records loaded = machine;
    std::vector<SettingsFileProblem> problems;
    ASSERT_EQ(Apply(text, loaded, problems), FileError::kNone);
    EXPECT_EQ(std::memcmp(&loaded.systemStatus, &machine.systemStatus, sizeof machine.systemStatus),
              0);

    // Another machine gets the text as the program writes texts.
    Records other = Filled(false);
    ASSERT_EQ(Apply(text, other, problems), FileError::kNone);
    EXPECT_EQ(std::string(other.systemStatus.machineId, 21),
              std::string("FRONT OFFICE\0\0\0\0\0\0\0\0\0", 21));

    // Control bytes, a line end, a backslash and Latin-1 are written escaped,
    // on the field's own line; a load refuses that line.
    std::memcpy(machine.systemStatus.machineId, "A\n\r\x01\\\xE9Z\0", 8);
    const std::string odd = SettingsFileText(machine);
    EXPECT_NE(odd.find("\nmachineId=A\\x0A\\x0D\\x01\\\\\\xE9Z\n"), std::string::npos) << odd;
    for (char c : odd) {
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int{c};
    }
    const int idLine = 3 + static_cast<int>(kSetupRecord.fields.size()) + 2;
    ASSERT_EQ(Apply(odd, loaded, problems), FileError::kProblems);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, idLine);
    EXPECT_NE(problems[0].message.find("byte \\x0A is not a character it takes"), std::string::npos)
        << problems[0].message;
}

class SettingsFileOnDisk : public ::testing::Test {
  protected:
    TempDir dir;
    Records high = Filled(true);
    Records low = Filled(false);
    std::vector<SettingsFileProblem> problems;
};

TEST_F(SettingsFileOnDisk, SavedFileReadsBack) {
    const std::string path = dir.file("office.stf");
    ASSERT_EQ(WriteSettingsFile(path, high), FileError::kNone);
    EXPECT_EQ(dir.read("office.stf"), SettingsFileText(high));
    ASSERT_EQ(ReadSettingsFile(path, low, problems), FileError::kNone);
    EXPECT_TRUE(Same(low, high));
}

TEST_F(SettingsFileOnDisk, ACutOrMissingFileChangesNothing) {
    for (const std::string& path : {dir.write("cut.stf", "faxrcp setti"), dir.file("none.stf")}) {
        const Records before = low;
        EXPECT_NE(ReadSettingsFile(path, low, problems), FileError::kNone);
        EXPECT_TRUE(Same(low, before));
    }
}

} // namespace
