// faxrcp-cli behaves as command-line tools do: help, version, "--", "-" for
// standard input and output, a machine chosen by name, checks before the
// machine is opened, quiet success and failed writes on standard output.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <streambuf>
#include <string>
#include <unistd.h>

#include "cli_fixture.h"
#include "protocol/record_table.h"

namespace {

// Standard output on a full disk: every write fails.
class FullBuffer : public std::streambuf {
  protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
};

class CliConventionsTest : public CliTest {};

TEST_F(CliConventionsTest, VersionAndHelpOfTheToolAndOfEachCommandNeedNoMachine) {
    EXPECT_EQ(Run({"--version"}), cli::kExitOk);
    EXPECT_EQ(out.str(), "faxrcp-cli " FAXRCP_PROJECT_VERSION "\n");

    // The same help three ways; it lists every field with what it takes.
    ASSERT_EQ(Run({"help", "setup", "set"}), cli::kExitOk);
    const std::string help = out.str();
    EXPECT_TRUE(help.starts_with("usage: faxrcp-cli [OPTIONS] setup set NAME=VALUE...\n")) << help;
    for (const FieldDescriptor& f : record_table::kSetupFields) {
        EXPECT_NE(help.find("\n  " + std::string(f.name) + " "), std::string::npos) << f.name;
    }
    EXPECT_NE(help.find("reservedSetup0   0..255, carried unchanged (also setupByte0)"),
              std::string::npos);
    EXPECT_NE(help.find("trayPaperSize    Letter Legal A4 Executive Folio A5 B5 A6"),
              std::string::npos);
    EXPECT_EQ(Run({"setup", "set", "--help"}), cli::kExitOk);
    EXPECT_EQ(out.str(), help);
    EXPECT_EQ(Run({"setup", "set", "copies=0", "-h"}), cli::kExitOk);
    EXPECT_EQ(out.str(), help);

    // Help fits a terminal of 80 columns, the commands' as well.
    std::vector<cli::Args> helps = {{"--help"}};
    for (const cli::Command& c : cli::Commands()) {
        helps.push_back(c.words);
        helps.back().push_back("--help");
    }
    for (const cli::Args& args : helps) {
        ASSERT_EQ(Run(args), cli::kExitOk);
        std::istringstream lines(out.str());
        for (std::string line; std::getline(lines, line);) {
            EXPECT_LE(line.size(), 80u) << line;
        }
    }

    // A group's commands; a group alone or an unknown word is wrong usage.
    EXPECT_EQ(Run({"setup", "--help"}), cli::kExitOk);
    EXPECT_TRUE(out.str().starts_with("Commands:\n  setup fields ")) << out.str();
    EXPECT_NE(out.str().find("\n  setup get [NAME...] "), std::string::npos);
    EXPECT_EQ(Run({"setup"}), cli::kExitUsage);
    EXPECT_EQ(err.str(), "faxrcp-cli: 'setup' needs one of: fields, get, set (see faxrcp-cli "
                         "help setup)\n");
    EXPECT_EQ(Run({"help", "nothing"}), cli::kExitUsage);
    EXPECT_EQ(Run({"--frobnicate", "info"}), cli::kExitUsage);
    EXPECT_EQ(err.str(), "faxrcp-cli: unknown option '--frobnicate' (see faxrcp-cli --help)\n");
    EXPECT_EQ(Run({"phonebook", "save", "--json", "book.pbf"}), cli::kExitUsage);
    EXPECT_EQ(err.str(), "faxrcp-cli: --json does not go with phonebook save FILE\n");
    EXPECT_EQ(Run({"info", "--yes"}), cli::kExitUsage);
    EXPECT_EQ(Run({"--device"}), cli::kExitUsage);
    EXPECT_EQ(err.str(), "faxrcp-cli: option --device needs a value (see faxrcp-cli --help)\n");
    EXPECT_EQ(machine().openCount(), 0);
}

TEST_F(CliConventionsTest, SuccessIsQuietAndEveryOptionCanComeAnywhere) {
    const cli::Args commands[] = {
        {"inquiry"},
        {"setup", "get", "--json"},
        {"--json", "status", "get"},
        {"info", "-v", "--trace", dir.file("trace.txt")},
        {"setup", "fields"},
        {"status", "fields", "--json"},
        {"phonebook", "list"},
        {"setup", "set", "zoom=150", "--device", "sim:"},
        {"status", "set", "--", "ecmMode=off"},
        {"phonebook", "save", dir.file("book.pbf")},
    };
    for (const cli::Args& args : commands) {
        std::string line;
        for (const std::string& a : args) {
            line += a + " ";
        }
        SCOPED_TRACE(line);
        const bool verbose = line.find(" -v ") != std::string::npos;
        EXPECT_EQ(Run(args), cli::kExitOk) << err.str();
        EXPECT_EQ(out.str().empty(), line.starts_with("phonebook save "));
        EXPECT_EQ(err.str().empty(), !verbose);
        EXPECT_TRUE(traceLines().empty());
    }
    // --trace wrote what -v showed.
    EXPECT_EQ(dir.read("trace.txt"), [&] {
        Run({"-v", "info"});
        return err.str();
    }());
    EXPECT_EQ(Run({"--trace", dir.file("no/such/trace.txt"), "info"}), cli::kExitUsage);
    EXPECT_TRUE(err.str().starts_with("faxrcp-cli: cannot write the trace file")) << err.str();
    // Never over a file of the command, by any name.
    const std::string victim = dir.write("victim.stf", "faxrcp settings 1\n");
    ASSERT_EQ(::link(victim.c_str(), dir.file("other.name").c_str()), 0);
    for (const std::string& trace : {victim, dir.file("other.name")}) {
        EXPECT_EQ(Run({"--trace", trace, "settings", "load", victim}), cli::kExitUsage);
        EXPECT_EQ(dir.read("victim.stf"), "faxrcp settings 1\n");
    }
}

TEST_F(CliConventionsTest, DashIsStandardInputAndOutputAndDoubleDashEndsOptions) {
    // save - then write - of the same bytes: a round trip through the pipes.
    ASSERT_EQ(Run({"phonebook", "save", "-"}), cli::kExitOk) << err.str();
    const std::string book = out.str();
    ASSERT_EQ(book.size(), 40u + 70u * 100u);
    EXPECT_EQ(book.substr(0, 21), "VRN FAX-RCP Phonebook");
    ASSERT_EQ(Run({"phonebook", "save", dir.file("book.pbf")}), cli::kExitOk);
    EXPECT_EQ(dir.read("book.pbf"), book);

    machine().setSlotNumber(3, "Changed", "999");
    EXPECT_EQ(Run({"phonebook", "write", "-"}, book), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "1 slot changed\n");
    EXPECT_EQ(machine().slotName(3), "");

    // Not a phonebook on standard input: nothing is opened.
    machine().reset();
    EXPECT_EQ(Run({"phonebook", "write", "-"}, "text"), cli::kExitUsage);
    EXPECT_EQ(err.str(), "faxrcp-cli: standard input is not a phonebook file that can be read: "
                         "not a phonebook file; nothing was sent\n");
    // Binary on a terminal, or firmware from a pipe: refused.
    outTerminal = true;
    EXPECT_EQ(Run({"phonebook", "save", "-"}), cli::kExitUsage);
    EXPECT_EQ(Run({"firmware", "--yes", "-"}), cli::kExitUsage);
    EXPECT_EQ(machine().openCount(), 0);

    // After "--" a word beginning with "-" is a file's name.
    EXPECT_EQ(Run({"phonebook", "write", "--", "-v"}), cli::kExitUsage);
    EXPECT_EQ(err.str(), "faxrcp-cli: '-v' is not a phonebook file that can be read: no such "
                         "file or folder; nothing was sent\n");
    EXPECT_EQ(Run({"phonebook", "write", "-x"}), cli::kExitUsage);
    EXPECT_EQ(err.str(), "faxrcp-cli: unknown option '-x' (see faxrcp-cli --help)\n");
}

TEST_F(CliConventionsTest, FilesAreCheckedBeforeTheMachineIsOpened) {
    const std::string readOnly = dir.write("ro/book.pbf", "old");
    ASSERT_EQ(::chmod(dir.file("ro").c_str(), 0500), 0);
    const bool root = ::geteuid() == 0; // root writes anywhere
    const struct {
        cli::Args args;
        std::string said;
    } cases[] = {
        {{"phonebook", "save", dir.file("no/such/book.pbf")},
         "cannot write the phonebook file '" + dir.file("no/such/book.pbf") +
             "': no such file or folder; nothing was read from the machine"},
        {{"phonebook", "save", dir.path()}, "not a regular file"},
        {{"phonebook", "write", dir.file("missing.pbf")}, "no such file or folder"},
        {{"firmware", "-y", dir.file("missing.bin")},
         "firmware file '" + dir.file("missing.bin") +
             "': no such file; nothing was sent to the machine"},
        {{"firmware", "-y", dir.write("empty.bin", "")}, "the file is empty"},
        {{"phonebook", "save", readOnly}, root ? "" : "permission denied"},
    };
    for (const auto& c : cases) {
        if (c.said.empty()) {
            continue;
        }
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(Run(c.args), cli::kExitUsage);
        EXPECT_NE(err.str().find(c.said), std::string::npos) << err.str();
        EXPECT_EQ(machine().openCount(), 0);
    }
    ::chmod(dir.file("ro").c_str(), 0700);
    EXPECT_EQ(dir.read("ro/book.pbf"), "old");
}

TEST_F(CliConventionsTest, TheMachineIsChosenByAUsableNameOrNotOpenedAtAll) {
    const std::string plain = dir.write("plain", "");
    const struct {
        cli::Args args;
        const char* environment;
        std::string said;
    } refused[] = {
        {{"--device", "printer", "inquiry"},
         "sim:",
         "unusable device 'printer' (--device): expected usb:VVVV:PPPP[:SERIAL], unix:PATH, sim:, "
         "ssh:[USER@]HOST[:PORT][/DEVICE] or the path of a character device"},
        // Nothing that ssh or the far side's shell would read as more than a name.
        {{"--device", "ssh:-oProxyCommand=x", "inquiry"},
         "sim:",
         "unusable device 'ssh:-oProxyCommand=x' (--device): expected "
         "ssh:[USER@]HOST[:PORT][/DEVICE], the DEVICE a usb:, unix:, sim: or /dev name"},
        {{"--device", "ssh:far/unix:/tmp/s;rm -rf ~", "inquiry"},
         "sim:",
         "unusable device 'ssh:far/unix:/tmp/s;rm -rf ~' (--device): expected "
         "ssh:[USER@]HOST[:PORT][/DEVICE], the DEVICE a usb:, unix:, sim: or /dev name"},
        {{"inquiry"},
         "usb:12:34",
         "unusable device 'usb:12:34' (FAXRCP_USB_PORT): expected usb:VVVV:PPPP[:SERIAL] with "
         "four hexadecimal digits for each id"},
        {{"--device=" + plain, "inquiry"},
         "sim:",
         "unusable device '" + plain + "' (--device): not a character device"},
        {{"--device", "/no/such/lp0", "inquiry"},
         "sim:",
         "unusable device '/no/such/lp0' (--device): No such file or directory"},
        {{"--device", "unix:", "setup", "get"},
         "sim:",
         "unusable device 'unix:' (--device): expected unix:PATH"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.args[0]);
        ScopedEnv port("FAXRCP_USB_PORT", c.environment);
        EXPECT_EQ(Run(c.args), cli::kExitDevice);
        EXPECT_EQ(err.str(), "faxrcp-cli: " + c.said + "\n");
        EXPECT_EQ(machine().openCount(), 0);
    }

    // --device wins over the environment, which it leaves as it was.
    ScopedEnv bogus("FAXRCP_USB_PORT", "usb:nothing");
    EXPECT_EQ(Run({"--device", "sim:", "inquiry"}), cli::kExitOk) << err.str();
    EXPECT_STREQ(std::getenv("FAXRCP_USB_PORT"), "usb:nothing");

    // A device that will not open is a device error, not a silent machine.
    machine().setOpenRefused(true);
    EXPECT_EQ(Run({"--device", "sim:", "info"}), cli::kExitDevice);
    EXPECT_EQ(err.str(), "faxrcp-cli: cannot open 'sim:': the device does not open\n");
}

TEST_F(CliConventionsTest, AFailedWriteOnStandardOutputFailsTheCommand) {
    FullBuffer full;
    std::ostream fullOut(&full);
    cli::Io io{fullOut, err, &in};
    EXPECT_EQ(cli::Main({"info"}, io, panelContext), cli::kExitUsage);
    EXPECT_EQ(err.str(), "faxrcp-cli: cannot write to standard output\n");
    // The command's own failure stays its status.
    std::ostream fullAgain(&full);
    cli::Io again{fullAgain, err, &in};
    machine().setFault(sim::Command::GetInfo, sim::Fault{.silent = true});
    EXPECT_EQ(cli::Main({"info"}, again, panelContext), cli::kExitNotResponding);
}

} // namespace
