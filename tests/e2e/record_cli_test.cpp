// faxrcp-cli's record and phonebook commands against faxrcp-sim over a socket.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include <sys/stat.h>

#include "e2e_programs.h"

using namespace std::string_literals;

namespace {

using e2e::CliRun;
using e2e::SimDaemon;

std::vector<std::string> Names(const std::vector<std::string>& lines) {
    std::vector<std::string> names;
    for (const auto& l : lines) {
        names.push_back(l.substr(0, l.find('=')));
    }
    return names;
}

// The one line of a failed exchange, alone on standard error.
bool SaysNotResponding(const CliRun& run) {
    return run.err.starts_with("faxrcp-cli: the machine at unix:") &&
           run.err.find(" did not answer ") != std::string::npos &&
           std::count(run.err.begin(), run.err.end(), '\n') == 1;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(RecordCliTest, SetupGetAndSet) {
    SimDaemon sim;
    CliRun get = sim.cli({"setup", "get", "--all"});
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(Names(get.outLines()),
              (std::vector<std::string>{"reservedSetup0", "reservedSetup1",  "trayPaperSize",
                                        "reservedSetup3", "bypassPaperSize", "bypassPaperType",
                                        "discardSize",    "contrast",        "documentMode",
                                        "zoom",           "copies",          "printTimeOut",
                                        "receiveMode",    "reservedSetup15", "ringCount",
                                        "redialInterval", "redialCount",     "sendingConfirm",
                                        "autoJournal",    "rxReduction"}));
    EXPECT_TRUE(HasLine(get.outLines(), "trayPaperSize=A4"));
    EXPECT_TRUE(HasLine(get.outLines(), "zoom=100"));
    EXPECT_EQ(get.err, ""); // quiet on success

    CliRun set = sim.cli({"--all", "setup", "set", "zoom=300", "copies=2", "ringCount=5"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_TRUE(HasLine(set.outLines(), "zoom=300"));

    CliRun again = sim.cli({"setup", "get", "--all"});
    ASSERT_EQ(again.status, 0) << again.err;
    std::vector<std::string> expected = get.outLines();
    expected[9] = "zoom=300";
    expected[10] = "copies=2";
    expected[14] = "ringCount=5";
    EXPECT_EQ(again.outLines(), expected);
    EXPECT_EQ(set.outLines(), expected);
}

TEST(RecordCliTest, StatusGetAndSet) {
    SimDaemon sim;
    // Without --all the reserved bytes stay out.
    EXPECT_EQ(sim.cli({"status", "get"}).outLines().size(), 16u);
    CliRun get = sim.cli({"status", "get", "--all"});
    ASSERT_EQ(get.status, 0) << get.err;
    const std::vector<std::string> lines = get.outLines();
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[0], "machineNumber=+1 555 0100"); // without the padding
    EXPECT_EQ(lines[5], "reservedStatus43=0,1,0,0,0");
    EXPECT_EQ(lines[12], "tollSaverStart=2004-01-15 22:00");
    EXPECT_EQ(lines[13], "tollSaverEnd=2004-01-15 06:30");
    EXPECT_EQ(lines[16], "ecmMode=on");

    // The old name of the reserved bytes still works.
    CliRun set = sim.cli({"--all", "status", "set", "machineId=back office",
                          "statusExtra=1,2,3,4,255", "tollSaverEnd=2010-12-31 23:59", "ecmMode=0"});
    ASSERT_EQ(set.status, 0) << set.err;
    CliRun again = sim.cli({"status", "get", "--all"});
    ASSERT_EQ(again.status, 0) << again.err;
    std::vector<std::string> expected = lines;
    expected[1] = "machineId=BACK OFFICE";
    expected[5] = "reservedStatus43=1,2,3,4,255";
    expected[13] = "tollSaverEnd=2010-12-31 23:59";
    expected[16] = "ecmMode=off";
    EXPECT_EQ(again.outLines(), expected);
    EXPECT_EQ(set.outLines(), expected);
}

TEST(RecordCliTest, Info) {
    SimDaemon sim;
    CliRun info = sim.cli({"info"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.outLines(),
              (std::vector<std::string>{"freeMemoryPercent=87", "platenScanCount=1234",
                                        "adfScanCount=567", "printCount=8910",
                                        "tonerReplacedCount=3", "adfJamCount=2", "printJamCount=5",
                                        "firmwareVersion=2.05", "engineVersion=V1.2.0",
                                        "emulationVersion=ZEML 1.21 03-11-2004", "extraText="}));
}

TEST(RecordCliTest, PhonebookListSaveAndWrite) {
    SimDaemon sim;
    CliRun list = sim.cli({"phonebook", "list"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.outLines(),
              (std::vector<std::string>{
                  "SLOT\tKIND\tNAME\tNUMBER OR MEMBERS", "0\tsingle\tOffice\t5550100",
                  "1\tsingle\tHome\t5550199", "2\tsingle\tSupport Desk\t18005550123",
                  "4\tsingle\tSales\t5550142", "7\tsingle\tHead Office Paris\t0033155501234",
                  "10\tgroup\tTeam\t0,1,4"}));

    const std::string file = sim.folder() + "/book.pbf";
    CliRun save = sim.cli({"phonebook", "save", file});
    ASSERT_EQ(save.status, 0) << save.err;
    std::string book = e2e::ReadFile(file);
    ASSERT_EQ(book.size(), 7040u);
    EXPECT_EQ(book.substr(0, 22), std::string("VRN FAX-RCP Phonebook\0", 22));
    EXPECT_EQ(book.substr(40 + 2, 7), "Office\0"s.substr(0, 7));

    // Slot 3 gets a number, slot 7 is emptied, then the file goes to the machine.
    std::string slot3(70, '\0');
    slot3.replace(2, 8, "New Slot");
    slot3.replace(23, 5, "12345");
    book.replace(40 + 70 * 3, 70, slot3);
    book.replace(40 + 70 * 7, 70, std::string(70, '\0'));
    const std::string edited = sim.folder() + "/edited.pbf";
    std::ofstream(edited, std::ios::binary) << book;
    CliRun write = sim.cli({"phonebook", "write", edited});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(write.out, "2 slots changed\n");

    CliRun after = sim.cli({"phonebook", "list"});
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(after.outLines(),
              (std::vector<std::string>{"SLOT\tKIND\tNAME\tNUMBER OR MEMBERS",
                                        "0\tsingle\tOffice\t5550100", "1\tsingle\tHome\t5550199",
                                        "2\tsingle\tSupport Desk\t18005550123",
                                        "3\tsingle\tNew Slot\t12345", "4\tsingle\tSales\t5550142",
                                        "10\tgroup\tTeam\t0,1,4"}));

    // Files that cannot be read or written: exit 2, naming the file.
    std::ofstream(sim.folder() + "/not.pbf") << "just some text";
    CliRun refused = sim.cli({"phonebook", "write", sim.folder() + "/not.pbf"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("not.pbf"), std::string::npos);
    CliRun unwritable = sim.cli({"phonebook", "save", sim.folder() + "/no/such/book.pbf"});
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_NE(unwritable.err.find("no/such/book.pbf"), std::string::npos);
}

// Reads that answer three bytes fail at once; silence would cost the device's
// real read time-out.
TEST(RecordCliTest, FailedReadsExitWithNotResponding) {
    SimDaemon sim({"--cut-answer", "get-setup=3", "--cut-answer", "get-status=3", "--cut-answer",
                   "get-info=3", "--cut-answer", "get-phonebook=3"});
    const std::string state = e2e::ReadFile(sim.stateFile());
    ASSERT_FALSE(state.empty());
    const std::string book = sim.folder() + "/book.pbf";
    const std::vector<std::vector<std::string>> commands = {
        {"setup", "get"},
        {"setup", "set", "zoom=200"},
        {"status", "get"},
        {"status", "set", "ecmMode=0"},
        {"info"},
        {"phonebook", "list"},
        {"phonebook", "save", book},
    };
    for (const auto& args : commands) {
        CliRun run = sim.cli(args);
        EXPECT_EQ(run.status, 1) << args[0] << " " << args.back();
        EXPECT_TRUE(SaysNotResponding(run)) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_EQ(e2e::ReadFile(sim.stateFile()), state);
    struct stat st {};
    EXPECT_NE(::stat(book.c_str(), &st), 0);
}

// A write the machine missed exits 1, prints nothing as written and leaves
// the machine as it was.
TEST(RecordCliTest, WritesTheMachineDidNotTakeExit1) {
    using Args = std::vector<std::string>;
    const std::vector<std::tuple<Args, Args, std::string>> cases = {
        {{"--silent", "set-setup"}, {"setup", "set", "zoom=150"}, "the setup record"},
        {{"--silent", "set-status"}, {"status", "set", "ecmMode=0"}, "the status record"},
        {{"--accept-write", "set-phonebook=0"}, {"phonebook", "write", "b"}, "the phonebook"},
    };
    for (const auto& [machine, args, what] : cases) {
        SimDaemon sim(machine);
        Args argv = args;
        if (args[0] == "phonebook") {
            argv.back() = sim.folder() + "/book.pbf";
            ASSERT_EQ(sim.cli({"phonebook", "save", argv.back()}).status, 0);
        }
        const std::string state = e2e::ReadFile(sim.stateFile());
        CliRun run = sim.cli(argv);
        EXPECT_EQ(run.status, 1) << what;
        EXPECT_TRUE(run.err.starts_with("faxrcp-cli: the machine at unix:") &&
                    run.err.ends_with(" did not take " + what + "\n"))
            << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_EQ(e2e::ReadFile(sim.stateFile()), state) << what;
    }
}

} // namespace
