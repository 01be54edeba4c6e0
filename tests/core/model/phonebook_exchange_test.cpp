// Phonebooks to and from other programs' address books: CSV and vCard text
// over the table, and the files they come in.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "model/phonebook_exchange.h"
#include "model/phonebook_import.h"
#include "model/phonebook_ops.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"
#include "support/core/context_fixture.h"
#include "support/platform/temp_dir.h"

namespace {

using Kind = PhonebookImportNote::Kind;

std::vector<uint8_t> Image(const MachineRecords& records) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(records.phonebookTable);
    return {bytes, bytes + sizeof(PhonebookEntry) * static_cast<size_t>(PhonebookSlots(records))};
}

std::string Notes(const PhonebookImport& result) {
    std::string text;
    for (const PhonebookImportNote& n : result.notes) {
        text += DescribeImportNote(n) + " [" + std::to_string(n.slot) + "]\n";
    }
    return text;
}

std::string Problems(const PhonebookImport& result) {
    std::string text;
    for (const PhonebookImportProblem& p : result.problems) {
        text += std::to_string(p.line) + ": " + p.message + "\n";
    }
    return text;
}

class PhonebookExchangeTest : public ContextTest {
  protected:
    void SetUp() override {
        ContextTest::SetUp();
        SetMachineRecordDefaults(panelContext.records);
        panelContext.records.inquiryRecord =
            InquiryRecord{10, 90, 1, 2}; // one-touch slots are 90..99
        ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100));
    }

    void Single(int i, const char* name, const char* number, uint8_t mark = 0) {
        StoreSingleNumber(panelContext.records, i, name, number);
        panelContext.records.phonebookTable[i].memberMark = mark;
    }

    // A book as the machine gives it: marks on every slot a group holds.
    void MachineBook() {
        Single(0, "OFFICE", "5550100", 1);
        Single(1, "SMITH, J.", "555P0199", 1);
        Single(3, " LEAD BLANK", "#12*3");
        Single(90, "ONE TOUCH", "4711", 1);
        uint8_t members[kMembersLength] = {};
        SetMemberBit(members, kSpeedBitmapOffset, 0, true);
        SetMemberBit(members, kSpeedBitmapOffset, 1, true);
        SetMemberBit(members, kOneTouchBitmapOffset, 0, true);
        StoreGroup(panelContext.records, 5, "TEAM", members);
        panelContext.records.phonebookTable[5].memberMark = 1;
        uint8_t target[kMembersLength] = {5};
        StoreGroup(panelContext.records, 95, "TEAM KEY", target);
        RecountGroupRefs(panelContext.records);
    }

    TempDir dir;
};

TEST_F(PhonebookExchangeTest, CsvExportThenImportGivesBackTheSameTable) {
    MachineBook();
    const std::vector<uint8_t> book = Image(panelContext.records);
    const std::string csv = ExportPhonebookText(panelContext.records, PhonebookFormat::kCsv);
    EXPECT_EQ(csv, "slot,kind,name,number,members\r\n"
                   "0,single,OFFICE,5550100,\r\n"
                   "1,single,\"SMITH, J.\",555P0199,\r\n"
                   "3,single,\" LEAD BLANK\",#12*3,\r\n"
                   "5,group,TEAM,,0 1 90\r\n"
                   "90,single,ONE TOUCH,4711,\r\n"
                   "95,group,TEAM KEY,,5\r\n");

    // Every slot the file names is wiped, marks left as the machine set them.
    for (int i : {0, 1, 3, 5, 90, 95}) {
        const uint8_t mark = panelContext.records.phonebookTable[i].memberMark;
        std::memset(&panelContext.records.phonebookTable[i], 0, sizeof(PhonebookEntry));
        panelContext.records.phonebookTable[i].memberMark = mark;
    }
    const PhonebookImport result = ImportPhonebookText(panelContext.records, csv);
    ASSERT_EQ(result.error, FileError::kNone) << Problems(result);
    EXPECT_EQ(Notes(result), "");
    EXPECT_EQ(result.slotsChanged, 6);
    EXPECT_EQ(Image(panelContext.records), book);
    EXPECT_EQ(panelContext.records.groupRefCount[0], 1);
    EXPECT_EQ(panelContext.records.groupRefCount[5], 1);

    // Again over itself: nothing changes.
    EXPECT_EQ(ImportPhonebookText(panelContext.records, csv).slotsChanged, 0);
    EXPECT_EQ(Image(panelContext.records), book);
}

TEST_F(PhonebookExchangeTest, WhatTheMachineHoldsComesBackEvenWhereTheEditorWouldRefuseIt) {
    MachineBook();
    // Lower case and Latin-1 from the machine's keypad, a number too short
    // for the editor.
    StoreSingleNumber(panelContext.records, 7, "Caf\xe9 du coin", "12");
    const std::vector<uint8_t> book = Image(panelContext.records);
    const std::string csv = ExportPhonebookText(panelContext.records, PhonebookFormat::kCsv);
    EXPECT_NE(csv.find("7,single,Café du coin,12,"), std::string::npos) << csv;
    const PhonebookImport result = ImportPhonebookText(panelContext.records, csv);
    ASSERT_EQ(result.error, FileError::kNone) << Problems(result);
    EXPECT_EQ(Notes(result), "");
    EXPECT_EQ(result.slotsChanged, 0);
    EXPECT_EQ(Image(panelContext.records), book);
    // A name that was changed in the file follows the editor's rules.
    const PhonebookImport edited = ImportPhonebookText(
        panelContext.records, "slot,kind,name,number,members\n7,single,Café de la gare,12,\n");
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[7]), "CAFE DE LA GARE");
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[7]), "12");
    EXPECT_EQ(edited.slotsChanged, 1);
}

TEST_F(PhonebookExchangeTest, CsvImportKeepsMarksOnlyWhereAGroupStillHoldsTheSlot) {
    MachineBook();
    // The group lets 1 go and takes 3; slot 0 is replaced and still held.
    const PhonebookImport result =
        ImportPhonebookText(panelContext.records, "slot,kind,name,number,members\n"
                                                  "0,single,OFFICE,5550100,\n"
                                                  "5,group,TEAM,,0 3 90\n");
    ASSERT_EQ(result.error, FileError::kNone) << Problems(result);
    EXPECT_EQ(result.slotsChanged, 2); // the group, and slot 1's mark
    EXPECT_EQ(panelContext.records.phonebookTable[0].memberMark, 1);
    EXPECT_EQ(panelContext.records.phonebookTable[1].memberMark, 0);
    EXPECT_EQ(panelContext.records.phonebookTable[3].memberMark,
              0); // the machine marks it once it is written
    EXPECT_EQ(panelContext.records.phonebookTable[5].memberMark, 1);
    EXPECT_EQ(GroupMemberSlots(panelContext.records, 5), (std::vector<int>{0, 3, 90}));
    EXPECT_EQ(panelContext.records.groupRefCount[1], 0);
    EXPECT_EQ(panelContext.records.groupRefCount[3], 1);
    // Bytes outside the bitmaps stay zero.
    for (int b = 25; b < kOneTouchBitmapOffset; ++b) {
        EXPECT_EQ(panelContext.records.phonebookTable[5].members[b], 0) << b;
    }
}

TEST_F(PhonebookExchangeTest, CsvQuotingLineEndsAndColumns) {
    // A byte order mark, LF line ends, columns in another order with one
    // more, quotes, commas and a line break inside fields, blank lines.
    const PhonebookImport result = ImportPhonebookText(
        panelContext.records, "\xEF\xBB\xBFMembers,NAME,Extra,Slot,kind,number\n"
                              ",\"A, \"\"B\"\"\",x,2,single,123\n"
                              "\n"
                              ",\"TWO\nLINES\",,4, Single ,\"55,5\"\n"
                              ",C,,6,single,777");
    ASSERT_EQ(result.error, FileError::kNone) << Problems(result);
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[2]), "A, B");
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[4]), "TWOLINES");
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[4]), "555");
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[6]), "C");
    EXPECT_EQ(Notes(result), "line 2: name \"A, \"B\"\" became \"A, B\" [2]\n"
                             "line 4: name \"TWO\\x0ALINES\" became \"TWOLINES\" [4]\n"
                             "line 4: number \"55,5\" became \"555\" [4]\n");
    EXPECT_EQ(result.slotsChanged, 3);

    // Fields that need it are quoted on the way out, a quote doubled.
    panelContext.records.phonebookTable[2].name[1] = '"';
    EXPECT_NE(ExportPhonebookText(panelContext.records, PhonebookFormat::kCsv)
                  .find("\r\n2,single,\"A\"\" B\",123,\r\n"),
              std::string::npos);
}

TEST_F(PhonebookExchangeTest, CsvProblemsChangeNothingAndNameEveryLine) {
    MachineBook();
    const std::vector<uint8_t> book = Image(panelContext.records);
    const PhonebookImport result =
        ImportPhonebookText(panelContext.records, "slot,kind,name,number,members\r\n"
                                                  "x,single,A,123,\r\n"
                                                  "100,single,A,123,\r\n"
                                                  "7,single,A,123,\r\n"
                                                  "7,single,B,124,\r\n"
                                                  "8,many,A,123,\r\n"
                                                  "9,group,G,,9 1000\r\n"
                                                  "10,group,G,,5\r\n"
                                                  "96,group,G,,0 1\r\n"
                                                  "\"11\"x,single,A,123,\r\n"
                                                  "12,single,A,123,,,\r\n"
                                                  "13,single,\"open,123,\r\n");
    ASSERT_EQ(result.error, FileError::kProblems);
    EXPECT_EQ(Problems(result), "2: slot 'x' is not a slot number from 0 to 99\n"
                                "3: slot '100' is not a slot number from 0 to 99\n"
                                "5: slot 7 is also on line 4\n"
                                "6: kind 'many' is neither single nor group\n"
                                "7: the group holds itself (member 9)\n"
                                "7: member '1000' is not a slot number from 0 to 99\n"
                                "10: a quoted field must end at a separator or the line's end\n"
                                "11: 7 fields where the header has 5\n"
                                "12: a quoted field is not closed\n");
    EXPECT_TRUE(result.notes.empty());
    EXPECT_EQ(Image(panelContext.records), book);

    // Members the table cannot hold show once the lines themselves are good.
    // The group editor offers only used single-number slots, as the file
    // leaves them.
    const PhonebookImport members =
        ImportPhonebookText(panelContext.records, "slot,kind,name,number,members\n"
                                                  "10,group,G,,5\n"
                                                  "96,group,G,,0 1\n"
                                                  "97,group,G,,3\n"
                                                  "50,group,X,,\n"
                                                  "51,group,Y,,3 60\n"
                                                  "3,,,,\n");
    EXPECT_EQ(Problems(members), "2: member 5 is a group\n"
                                 "3: a group in a one-touch slot holds one speed-dial group\n"
                                 "3: member 0 is not a speed-dial group from slot 1 to 89\n"
                                 "3: member 1 is not a speed-dial group from slot 1 to 89\n"
                                 "4: member 3 is not a speed-dial group from slot 1 to 89\n"
                                 "5: a group without members; the group editor leaves such a "
                                 "slot empty\n"
                                 "6: member 3 has no number\n"
                                 "6: member 60 has no number\n");
    EXPECT_EQ(Image(panelContext.records), book);

    // A header that lacks a column is a problem; text without one is no CSV.
    EXPECT_EQ(Problems(ImportPhonebookText(panelContext.records,
                                           "slot,kind,name,number\n1,single,A,123\n")),
              "1: the header lacks the column members\n");
    EXPECT_EQ(ImportPhonebookText(panelContext.records, "hello\nworld\n").error,
              FileError::kWrongContent);
    EXPECT_EQ(ImportPhonebookText(panelContext.records, "").error, FileError::kWrongContent);
    EXPECT_EQ(Image(panelContext.records), book);

    // Before a table exists every slot a machine can have is allowed.
    EXPECT_EQ(CheckPhonebookText("slot,kind,name,number,members\n254,single,A,123,\n").error,
              FileError::kNone);
    EXPECT_EQ(Problems(CheckPhonebookText("slot,kind,name,number,members\n255,single,A,123,\n")),
              "2: slot '255' is not a slot number from 0 to 254\n");
}

TEST_F(PhonebookExchangeTest, CsvLinesTheEditorWouldRefuseAreNotedAndLeftOut) {
    MachineBook();
    const PhonebookImport result = ImportPhonebookText(
        panelContext.records,
        "slot,kind,name,number,members\n"
        "10,single,Straße der Zukunft und mehr,0-30 p 12,\n"
        "11,single,Short,12,\n"
        "12,single,Nameless,,\n"
        "0,,,,\n"
        "90,group,ONE,,\n"
        "3,,,,\n"
        "20,single,Ærø Łódź Œuvre,+45 1234 5678 9012 3456 7890 1234 5678 9012 3456 7890,\n");
    ASSERT_EQ(result.error, FileError::kNone) << Problems(result);
    EXPECT_EQ(Notes(result),
              "line 2: name \"Straße der Zukunft und mehr\" became \"STRASSE DER ZUKUNFT \" [10]\n"
              "line 3: number \"12\" leaves \"12\", too short or without a digit; left out [11]\n"
              "line 4: \"Nameless\" has no number; left out [12]\n"
              "line 5: slot 0 is held by a group the file leaves as it is; left out [0]\n"
              "line 6: slot 90 is held by a group the file leaves as it is; left out [90]\n"
              "line 8: name \"Ærø Łódź Œuvre\" became \"AERO LODZ OEUVRE\" [20]\n");
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[20]),
              "00451234567890123456789012345678901234567890");
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[10]), "STRASSE DER ZUKUNFT ");
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[10]), "030P12");
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[0]), "OFFICE");
    EXPECT_EQ(panelContext.records.phonebookTable[90].kind, 0);
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[3]), ""); // no group holds it: emptied
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[11]), "");
    EXPECT_EQ(result.slotsChanged, 3);

    // A number is cut at 46 characters, and that is said.
    std::string digits(60, '7');
    EXPECT_EQ(Notes(ImportPhonebookText(panelContext.records,
                                        "slot,kind,name,number,members\n30,single,LONG," + digits +
                                            ",\n")),
              "line 2: number \"" + ShownFileText(digits) + "\" became \"" + digits.substr(0, 40) +
                  "...\" [30]\n");
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[30]), digits.substr(0, kNumberLength));
}

const char* const kCards = "BEGIN:VCARD\r\n"
                           "VERSION:3.0\r\n"
                           "FN:Émile Zoë\r\n"
                           "N:Zoë;Émile;;;\r\n"
                           "TEL;TYPE=WORK:+33 1 23 45 67\r\n"
                           "TEL;TYPE=HOME:999 999\r\n"
                           "END:VCARD\r\n"
                           "begin:vcard\n"
                           "version:4.0\n"
                           "n:Øster;Łukasz;;;\n"
                           "item1.TEL;VALUE=uri;TYPE=\"voice,cell\":tel:+48-22-555-01\n"
                           " 23;ext=9\n"
                           "end:vcard\n"
                           "BEGIN:VCARD\n"
                           "VERSION:3.0\n"
                           "FN:Dup\\, Number\n"
                           "TEL:555-0100\n"
                           "END:VCARD\n"
                           "BEGIN:VCARD\n"
                           "VERSION:2.1\n"
                           "FN;ENCODING=QUOTED-PRINTABLE;CHARSET=ISO-8859-1:Fran=E7ois=20=\n"
                           "P=E9rez\n"
                           "TEL;CELL:0171 1234\n"
                           "END:VCARD\n"
                           "BEGIN:VCARD\n"
                           "FN:No Phone\n"
                           "EMAIL:x@example.org\n"
                           "END:VCARD\n"
                           "BEGIN:VCARD\n"
                           "FN:Fo\n"
                           " lded Name\n"
                           "TEL:0800 1\n"
                           "END:VCARD\n";

TEST_F(PhonebookExchangeTest, VcardsFillTheFreeSpeedDialSlotsAndReportTheRest) {
    panelContext.records.inquiryRecord =
        InquiryRecord{2, 6, 1, 2}; // speed-dial 0..5, one-touch 6..7
    Single(0, "OFFICE", "555 0100");
    Single(3, "", "", 1); // marked: not free
    uint8_t members[kMembersLength] = {};
    SetMemberBit(members, kSpeedBitmapOffset, 4, true); // holds an empty slot
    StoreGroup(panelContext.records, 1, "G", members);
    // Free: 2 and 5; six cards, one duplicate and one without a number.
    const PhonebookImport result = ImportPhonebookText(panelContext.records, kCards);
    ASSERT_EQ(result.error, FileError::kNone);
    EXPECT_EQ(result.format, PhonebookFormat::kVcard);
    EXPECT_EQ(Notes(result),
              "line 1: \"Émile Zoë\" has no fax number; took the work number \"+33 1 23 45 "
              "67\" [2]\n"
              "line 1: name \"Émile Zoë\" became \"EMILE ZOE\" [2]\n"
              "line 8: \"Łukasz Øster\" has no fax number; took the first number "
              "\"+48-22-555-0123;ext=9\" [5]\n"
              "line 8: name \"Łukasz Øster\" became \"LUKASZ OSTER\" [5]\n"
              "line 8: number \"+48-22-555-0123;ext=9\": the extension \"9\" was dropped [5]\n"
              "line 14: number \"555-0100\" is already in slot 0; left out [0]\n"
              "line 19: no free speed-dial slot for \"François Pérez\"; left out [-1]\n"
              "line 25: \"No Phone\" has no number; left out [-1]\n"
              "line 29: no free speed-dial slot for \"Folded Name\"; left out [-1]\n");
    EXPECT_EQ(result.slotsChanged, 2);
    EXPECT_EQ(result.notFitted, 2);
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[2]), "EMILE ZOE");
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[5]), "0048225550123");
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[4]), "");
    EXPECT_EQ(panelContext.records.phonebookTable[6].number[0],
              0); // one-touch slots are not filled

    // With room, the 2.1 card's quoted-printable Latin-1 name comes through.
    panelContext.records.inquiryRecord = InquiryRecord{0, 20, 1, 2};
    const PhonebookImport more = ImportPhonebookText(panelContext.records, kCards);
    EXPECT_EQ(more.slotsChanged, 2);
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[6]), "FRANCOIS PEREZ");
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[6]), "01711234");
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[7]), "FOLDED NAME");
}

TEST_F(PhonebookExchangeTest, VcardExportWritesOneCardPerNumber) {
    MachineBook();
    Single(1, "SMITH, J.\xC9", "555P0199");
    Single(7, "NAME ONLY", "");
    const std::string cards = ExportPhonebookText(panelContext.records, PhonebookFormat::kVcard);
    EXPECT_TRUE(cards.starts_with("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:OFFICE\r\nN:OFFICE;;;;\r\n"
                                  "TEL;TYPE=FAX:5550100\r\nEND:VCARD\r\n"
                                  "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:SMITH\\, J.\xC3\x89\r\n"
                                  "N:SMITH\\, J.\xC3\x89;;;;\r\nTEL;TYPE=FAX:555P0199\r\n"))
        << cards;
    size_t count = 0;
    for (size_t at = 0; (at = cards.find("BEGIN:VCARD", at)) != std::string::npos; ++at) {
        ++count;
    }
    EXPECT_EQ(count, 4u); // 0, 1, 3, 90: groups and a name alone are left out

    // Read back into an empty book: the same names and numbers, in order.
    const std::vector<PhonebookEntry> before = CopyOfTable(panelContext.records);
    std::memset(panelContext.records.phonebookTable, 0, sizeof(PhonebookEntry) * 100);
    const PhonebookImport back = ImportPhonebookText(panelContext.records, cards);
    EXPECT_EQ(back.slotsChanged, 4);
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[1]), "SMITH, J.E");
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[3]), "4711");
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[2]),
              "LEAD BLANK"); // vCard values lose their blanks
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[2]), SlotNumber(before[3]));
}

TEST_F(PhonebookExchangeTest, TextThatIsNoAddressBookChangesNothing) {
    MachineBook();
    const std::vector<uint8_t> book = Image(panelContext.records);
    // Neither our header nor a number column; UTF-16 cut in a character or
    // with a lone surrogate.
    for (const std::string& text :
         {std::string("just some notes\n"), std::string("Name;E-mail\nA;a@example.org\n"),
          std::string("\xFF\xFE"
                      "a",
                      3),
          std::string("\xFF\xFE\x00\xD8", 4)}) {
        EXPECT_EQ(ImportPhonebookText(panelContext.records, text).error, FileError::kWrongContent)
            << text;
    }
    EXPECT_EQ(Image(panelContext.records), book);

    // Files: read through the same text; export saved whole.
    const std::string out = dir.file("out.vcf");
    EXPECT_EQ(ExportPhonebookFile(panelContext.records, out, PhonebookFormatForName(out)),
              FileError::kNone);
    EXPECT_EQ(dir.read("out.vcf"),
              ExportPhonebookText(panelContext.records, PhonebookFormat::kVcard));
    EXPECT_EQ(ImportPhonebookFile(panelContext.records, out).slotsChanged,
              0); // every number is there
    EXPECT_EQ(ImportPhonebookFile(panelContext.records, dir.file("none.csv")).error,
              FileError::kMissing);
    EXPECT_EQ(PhonebookFormatForName("/a.b/BOOK.VCARD"), PhonebookFormat::kVcard);
    EXPECT_EQ(PhonebookFormatForName("/x.vcf/book"), PhonebookFormat::kCsv);
    // File text reaches a terminal escaped and cut.
    EXPECT_EQ(DescribeImportNote(
                  {Kind::kNameChanged, 4, 2, "\x1B[31mÉ\\" + std::string(99, 'a'), "EMILE"}),
              "line 4: name \"\\x1B[31mÉ\\\\" + std::string(33, 'a') + "...\" became \"EMILE\"");
}

// Address books as mail programs, phones and spreadsheets write them, each
// imported into an empty book: the slots it fills and its notes in order.
TEST_F(PhonebookExchangeTest, AddressBookSamplesGiveTheFaxNumber) {
    const struct {
        const char* file;
        PhonebookImportOptions options;
        const char* slots; // NAME=NUMBER|...
        const char* notes; // kinds of the notes
    } cases[] = {
        {"vcard21_quoted_printable.vcf",
         {},
         "JURGEN MULLER=004930123456|ANNA WEBER=00491609876543",
         "name pref name"},
        {"vcard21_quoted_printable.vcf",
         {"011", false},
         "JURGEN MULLER=0114930123456|ANNA WEBER=011491609876543",
         "name pref name"},
        {"vcard21_cp1252.vcf", {}, "RENE DUPRE=0033142000099", "1252 name"},
        {"vcard30_item_labels.vcf",
         {},
         "KIM APPLESEED=0015550102001|ORCHARD LTD=5550103000",
         "name ext work name"},
        {"vcard30_type_list.vcf",
         {},
         "LENA PARK=0421123457|NO FAX HERE=0421998800",
         "name work name"},
        {"vcard30_type_list.vcf", {"00", true}, "LENA PARK=0421123457", "name nofax"},
        {"vcard30_unterminated.vcf", {}, "ADA BYRON=00442079460018", "cut name"},
        {"vcard40_uri.vcf", {}, "EMILE ZOLA=0033123456788", "name ext"},
        {"csv_comma_fax_number.csv",
         {},
         "INES VOGEL=00494012346|TOM LEE=5550100",
         "name first name"},
        {"csv_business_fax_utf16.csv",
         {},
         "OLGA NOWAK=0048225550102|LODZ PRINT=0048425557700",
         "name work name"},
        {"csv_phone_type_value.csv",
         {},
         "SAM ORTIZ=0034910000002|KAI BERG=00467000001",
         "name pref name"},
        {"csv_semicolon_cp1252.csv",
         {},
         "MULLER=08912346|SCHAFER=08955566",
         "1252 name first name"},
        {"csv_localised_headers.csv", {}, "ZOE MARTIN=0140000002", "name"},
        {"csv_german_outlook_tab.csv", {}, "JORG SCHMIDT=0711101", "name"},
    };
    const std::map<Kind, std::string> codes = {
        {Kind::kNameChanged, "name"}, {Kind::kNumberChanged, "number"},
        {Kind::kTookWork, "work"},    {Kind::kTookPreferred, "pref"},
        {Kind::kTookFirst, "first"},  {Kind::kNoFax, "nofax"},
        {Kind::kExtension, "ext"},    {Kind::kUnterminated, "cut"},
        {Kind::kWindows1252, "1252"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::memset(panelContext.records.phonebookTable, 0, sizeof(PhonebookEntry) * 100);
        const PhonebookImport result = ImportPhonebookFile(
            panelContext.records,
            std::string(FAXRCP_SOURCE_DIR) + "/tests/core/model/address_books/" + c.file,
            c.options);
        ASSERT_EQ(result.error, FileError::kNone) << Problems(result);
        EXPECT_TRUE(result.addressBook);
        std::string slots, notes;
        for (int i = 0; i < 100 && !SlotIsEmpty(panelContext.records.phonebookTable[i]); ++i) {
            slots += (i > 0 ? "|" : "") + SlotName(panelContext.records.phonebookTable[i]) + "=" +
                     SlotNumber(panelContext.records.phonebookTable[i]);
        }
        for (const PhonebookImportNote& n : result.notes) {
            notes += (notes.empty() ? "" : " ") + (codes.count(n.kind) ? codes.at(n.kind) : "?");
        }
        EXPECT_EQ(slots, c.slots);
        EXPECT_EQ(notes, c.notes) << Notes(result);
    }
}

// Numbers as people write them, as the machine dials them.
TEST_F(PhonebookExchangeTest, NumbersBecomeWhatTheMachineDials) {
    const struct {
        const char* text;
        const char* number;
        const char* extension;
        bool noted;
    } cases[] = {
        {"(+49) 30/123.45-6", "004930123456", "", false},
        {"0049+30 12", "00493012", "", true}, // a + inside is no prefix: said
        {"555 0100 ext. 7", "5550100", "7", false},
        {"+1 555 0100 x22", "0015550100", "22", false},
        {"PO Box 12", "P12", "", true}, // letters other than P go, with a note
        {"1-800-FLOWERS", "1800", "", true},
        {"0171 1234p5#", "01711234P5#", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const DialNumber dial = DialableNumber(c.text, "00");
        EXPECT_EQ(dial.number, c.number);
        EXPECT_EQ(dial.extension, c.extension);
        EXPECT_EQ(dial.changed, c.noted);
    }
}

} // namespace
