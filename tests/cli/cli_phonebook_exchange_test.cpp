// faxrcp-cli phonebook export and import against "sim:": files checked before
// the machine is opened, and a round trip that sends back what it read.
#include <algorithm>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace {

class CliPhonebookExchangeTest : public CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        machine().clearPhonebook();
        machine().setSlotNumber(0, "OFFICE", "5550100");
        machine().setSlotNumber(1, "SMITH, J.", "555P0199");
        machine().setSlotNumber(2, "HOME", "#12*34");
        sim::Members members{};
        members[0] = 0xC0; // slots 0 and 1
        machine().setSlotGroup(7, "TEAM", members);
    }

    // The last phonebook write request the machine received.
    std::vector<uint8_t> LastPhonebookWrite() {
        std::vector<uint8_t> last;
        for (const auto& frame : machine().requestLog()) {
            if (frame.size() > 9 && frame[7] == 0xC2 && frame[8] == 0x42) {
                last = frame;
            }
        }
        return last;
    }
};

TEST_F(CliPhonebookExchangeTest, CsvExportThenImportSendsThePhonebookItRead) {
    // The request that writes the phonebook back exactly as it was read.
    ASSERT_EQ(Run({"phonebook", "save", dir.file("book.pbf")}), cli::kExitOk) << err.str();
    ASSERT_EQ(Run({"phonebook", "write", dir.file("book.pbf")}), cli::kExitOk) << err.str();
    const std::vector<uint8_t> asRead = LastPhonebookWrite();
    ASSERT_FALSE(asRead.empty());
    ASSERT_TRUE(machine().slotMark(0));

    ASSERT_EQ(Run({"phonebook", "export", dir.file("book.csv")}), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(dir.read("book.csv"), "slot,kind,name,number,members\r\n"
                                    "0,single,OFFICE,5550100,\r\n"
                                    "1,single,\"SMITH, J.\",555P0199,\r\n"
                                    "2,single,HOME,#12*34,\r\n"
                                    "7,group,TEAM,,0 1\r\n");
    machine().setSlotNumber(0, "CHANGED", "999");
    machine().setSlotNumber(2, "", "");
    machine().clearLog();
    ASSERT_EQ(Run({"phonebook", "import", dir.file("book.csv")}), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "2 slots changed\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(LastPhonebookWrite(), asRead);
    EXPECT_EQ(machine().slotName(2), "HOME");

    // Through the pipes, vCard by the format word.
    ASSERT_EQ(Run({"phonebook", "export", "-", "vcard"}), cli::kExitOk);
    EXPECT_TRUE(out.str().starts_with("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:OFFICE\r\n")) << out.str();
    ASSERT_EQ(Run({"phonebook", "export", "-"}), cli::kExitOk);
    EXPECT_EQ(out.str(), dir.read("book.csv"));
    machine().clearLog();
    EXPECT_EQ(Run({"phonebook", "import", "-"}, out.str()), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "0 slots changed; nothing was written\n");
    EXPECT_TRUE(LastPhonebookWrite().empty());
}

TEST_F(CliPhonebookExchangeTest, VcardExportThenImportSendsThePhonebookItRead) {
    machine().setSlotNumber(7, "", ""); // cards carry no groups
    ASSERT_EQ(Run({"phonebook", "save", dir.file("book.pbf")}), cli::kExitOk) << err.str();
    ASSERT_EQ(Run({"phonebook", "write", dir.file("book.pbf")}), cli::kExitOk) << err.str();
    const std::vector<uint8_t> asRead = LastPhonebookWrite();
    ASSERT_EQ(Run({"phonebook", "export", dir.file("book.vcf")}), cli::kExitOk) << err.str();
    EXPECT_NE(dir.read("book.vcf").find("TEL;TYPE=FAX:555P0199\r\n"), std::string::npos);
    machine().clearPhonebook();
    ASSERT_EQ(Run({"phonebook", "import", dir.file("book.vcf")}), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "3 slots changed\n");
    EXPECT_EQ(LastPhonebookWrite(), asRead);
}

TEST_F(CliPhonebookExchangeTest, BadFilesChangeNothingAndSayWhy) {
    const std::string bad = dir.write("bad.csv", "slot,kind,name,number,members\n"
                                                 "3,single,NEW,123,\n"
                                                 "4,singel,X,124,\n"
                                                 "3,single,Y,125,\n");
    EXPECT_EQ(Run({"phonebook", "import", bad}), cli::kExitUsage);
    EXPECT_EQ(err.str(), bad + ":3: kind 'singel' is neither single nor group\n" + bad +
                             ":4: slot 3 is also on line 2\n"
                             "faxrcp-cli: '" +
                             bad + "' has 2 lines that cannot be imported; nothing was sent\n");
    EXPECT_EQ(machine().openCount(), 0);

    // A slot the machine does not have shows once it has answered; nothing
    // is written.
    const std::string far = dir.write("far.csv", "slot,kind,name,number,members\n"
                                                 "150,single,FAR,123,\n");
    EXPECT_EQ(Run({"phonebook", "import", far}), cli::kExitUsage);
    EXPECT_TRUE(err.str().starts_with(far + ":2: slot '150' is not a slot number from 0 to 99\n"))
        << err.str();
    EXPECT_TRUE(LastPhonebookWrite().empty());
    EXPECT_EQ(machine().slotName(0), "OFFICE");

    machine().reset();
    const struct {
        cli::Args args;
        std::string said;
    } cases[] = {
        {{"phonebook", "import", dir.path()}, "not a regular file"},
        {{"phonebook", "export", dir.file("x.csv"), "xml"}, "the format is csv or vcard"},
        {{"--international-prefix", "+00", "phonebook", "import", bad}, "1 to 4 digits"},
        {{"--numbers", "fax", "phonebook", "import", bad}, "fax-only or any"},
        {{"--numbers", "fax-only", "phonebook", "export", "-"}, "go only with phonebook import"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(Run(c.args), cli::kExitUsage);
        EXPECT_NE(err.str().find(c.said), std::string::npos) << err.str();
    }
    EXPECT_EQ(machine().openCount(), 0);
}

TEST_F(CliPhonebookExchangeTest, VcardImportListsItsNotesAndWhatDidNotFit) {
    for (size_t i = 3; i < machine().slotCount(); ++i) {
        if (i != 7 && i != 50) {
            machine().setSlotNumber(i, "KEEP", std::to_string(1000 + i));
        }
    }
    const std::string cards = "BEGIN:VCARD\nVERSION:3.0\nFN:Zoë\nTEL:555 0100\nEND:VCARD\n"
                              "BEGIN:VCARD\nVERSION:4.0\nFN:Anne-Sophie\n"
                              "TEL;VALUE=uri:tel:+33-1-55\nEND:VCARD\n"
                              "BEGIN:VCARD\nVERSION:3.0\nFN:LATE\nTEL:777\nEND:VCARD\n";
    EXPECT_EQ(Run({"phonebook", "import", "-"}, cards), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "1 slot changed\n1 card did not fit\n");
    EXPECT_EQ(err.str(), "faxrcp-cli: -: line 1: number \"555 0100\" is already in slot 0; left "
                         "out\n"
                         "faxrcp-cli: -: line 6: \"Anne-Sophie\" has no fax number; took the "
                         "first number \"+33-1-55\"\n"
                         "faxrcp-cli: -: line 6: name \"Anne-Sophie\" became \"ANNE-SOPHIE\"\n"
                         "faxrcp-cli: -: line 11: no free speed-dial slot for \"LATE\"; left "
                         "out\n");
    EXPECT_EQ(machine().slotName(50), "ANNE-SOPHIE");
    EXPECT_EQ(machine().slotNumber(50), "0033155");

    // Fax numbers only, and another international access prefix; in JSON
    // the notes come with the counts.
    machine().setSlotNumber(50, "", "");
    const std::string fax = "BEGIN:VCARD\nFN:A\nTEL:1234\nEND:VCARD\n"
                            "BEGIN:VCARD\nFN:Bé\nTEL;TYPE=fax:+1 555 0100\nEND:VCARD\n";
    EXPECT_EQ(Run({"--numbers=fax-only", "--international-prefix", "011", "phonebook", "import",
                   "--json", "-"},
                  fax),
              cli::kExitOk)
        << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(out.str(),
              "{\n  \"slotsChanged\": 1,\n  \"notFitted\": 0,\n  \"notes\": [{\"line\": "
              "1, \"message\": \"line 1: \\\"A\\\" has no fax number; left out\"}, {\"line\": 5, "
              "\"slot\": 50, \"message\": \"line 5: name \\\"Bé\\\" became \\\"BE\\\"\"}]\n}\n");
    EXPECT_EQ(machine().slotNumber(50), "01115550100");
}

} // namespace
