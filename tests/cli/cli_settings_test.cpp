// settings save, load and diff against the simulated machine: what reaches
// the wire, and that a file that is refused reaches nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli_fixture.h"

namespace {

constexpr size_t kRequestHead = 9; // 1B A4 LL LL 50 E0 82 C2 RR

class CliSettingsTest : public CliTest {
  protected:
    // The blocks of the set requests the machine received, in order.
    std::vector<std::vector<uint8_t>> SetBlocks(uint8_t record) {
        std::vector<std::vector<uint8_t>> blocks;
        for (const auto& request : machine().requestLog()) {
            if (request.size() > kRequestHead && request[7] == 0xC2 && request[8] == record) {
                blocks.emplace_back(request.begin() + kRequestHead, request.end());
            }
        }
        return blocks;
    }
    static std::vector<uint8_t> Bytes(const auto& block) {
        return std::vector<uint8_t>(block.begin(), block.end());
    }
    bool Wrote() {
        const auto log = machine().commandLog();
        return std::count(log.begin(), log.end(), sim::Command::SetSetup) +
                   std::count(log.begin(), log.end(), sim::Command::SetStatus) >
               0;
    }
    // The saved file with one line replaced.
    std::string Edited(const std::string& from, const std::string& to) {
        std::string text = dir.read("saved.stf");
        const size_t at = text.find("\n" + from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at + 1, text.find('\n', at + 1) - at - 1, to);
    }
    void Save() {
        ASSERT_EQ(Run({"settings", "save", dir.file("saved.stf")}), cli::kExitOk) << err.str();
        ASSERT_EQ(out.str(), "");
    }

    static constexpr uint8_t kSetup = 0x41;
    static constexpr uint8_t kStatus = 0x40;
};

TEST_F(CliSettingsTest, LoadingASavedFileSendsBackTheBlocksThatWereRead) {
    const sim::SetupBlock setup = machine().setupBlock();
    const sim::StatusBlock status = machine().statusBlock();
    Save();
    const std::string saved = dir.read("saved.stf");
    EXPECT_EQ(saved.rfind("faxrcp settings 1\n[setup]\nreservedSetup0=", 0), 0u) << saved;
    EXPECT_NE(saved.find("\n[status]\nmachineNumber=+1 555 0100\nmachineId=FRONT OFFICE\n"),
              std::string::npos)
        << saved;
    EXPECT_EQ(Run({"settings", "save", "-"}), cli::kExitOk);
    EXPECT_EQ(out.str(), saved);

    // The same machine: nothing to send.
    machine().clearLog();
    EXPECT_EQ(Run({"settings", "load", dir.file("saved.stf")}), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "nothing to change\n");
    EXPECT_FALSE(Wrote());

    // The machine changed since: each record goes back as it was read, the
    // blank-padded texts included.
    sim::SetupBlock otherSetup = setup;
    otherSetup[12] = static_cast<uint8_t>(otherSetup[12] + 1); // copies
    sim::StatusBlock otherStatus = status;
    otherStatus[50] = static_cast<uint8_t>((otherStatus[50] + 1) % 4); // ringer
    otherStatus[44] ^= 0xFF;                                           // reserved
    machine().setSetupBlock(otherSetup);
    machine().setStatusBlock(otherStatus);
    machine().clearLog();
    EXPECT_EQ(Run({"settings", "load", dir.file("saved.stf")}), cli::kExitOk) << err.str();
    EXPECT_EQ(SetBlocks(kSetup), std::vector<std::vector<uint8_t>>{Bytes(setup)});
    EXPECT_EQ(SetBlocks(kStatus), std::vector<std::vector<uint8_t>>{Bytes(status)});
    EXPECT_EQ(machine().setupBlock(), setup);
    EXPECT_EQ(machine().statusBlock(), status);
    const std::string lines = out.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
    EXPECT_NE(lines.find("setup.copies: "), std::string::npos) << lines;
    EXPECT_NE(lines.find("status.ringer: "), std::string::npos) << lines;
    EXPECT_NE(lines.find("status.reservedStatus43: "), std::string::npos) << lines;
}

TEST_F(CliSettingsTest, AnEditedValueChangesThatFieldAloneOnTheWire) {
    const sim::SetupBlock setup = machine().setupBlock();
    const sim::StatusBlock status = machine().statusBlock();
    Save();
    ASSERT_NE(setup[12], 42);
    const std::string edited = dir.write("edited.stf", Edited("copies=", "copies=42"));

    EXPECT_EQ(Run({"settings", "diff", edited}), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "setup.copies: " + std::to_string(setup[12]) + " -> 42\n");
    EXPECT_FALSE(Wrote());

    machine().clearLog();
    EXPECT_EQ(Run({"settings", "load", edited}), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "setup.copies: " + std::to_string(setup[12]) + " -> 42\n");
    std::vector<uint8_t> expected = Bytes(setup);
    expected[11] = 0;
    expected[12] = 42;
    EXPECT_EQ(SetBlocks(kSetup), std::vector<std::vector<uint8_t>>{expected});
    // A record the file does not change is not written at all.
    EXPECT_TRUE(SetBlocks(kStatus).empty());
    EXPECT_EQ(machine().statusBlock(), status);

    // Fields the file leaves out keep the machine's values; diff names only
    // what differs, from standard input as well.
    EXPECT_EQ(Run({"settings", "diff", "-"}, "faxrcp settings 1\n[status]\nringer=off\n"
                                             "[setup]\ncopies=42\n"),
              cli::kExitOk)
        << err.str();
    EXPECT_EQ(out.str(), "status.ringer: med -> off\n");
}

TEST_F(CliSettingsTest, ARefusedFileTouchesNoMachineAndNamesItsLines) {
    Save();
    const std::string file =
        dir.write("bad.stf", Edited("zoom=", "zoom=401") + "[status]\nfoo=1\n");
    const int zoomLine = 2 + 10; // the head, [setup], then zoom is the tenth field
    for (const char* command : {"load", "diff"}) {
        SCOPED_TRACE(command);
        machine().clearLog();
        EXPECT_EQ(Run({"settings", command, file}), cli::kExitUsage);
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find(file + ":" + std::to_string(zoomLine) +
                                 ": zoom=401 refused: zoom takes a number from 25 to 400\n"),
                  std::string::npos)
            << err.str();
        EXPECT_NE(err.str().find(file + ":42: unknown field 'foo' in [status]\n"),
                  std::string::npos)
            << err.str();
        EXPECT_NE(err.str().find("faxrcp-cli: '" + file + "': 2 lines refused; "),
                  std::string::npos)
            << err.str();
        EXPECT_TRUE(machine().commandLog().empty()); // not even opened
    }

    // Another version, and a file cut short in a line or in a character.
    const std::string saved = dir.read("saved.stf");
    const struct {
        std::string text;
        std::string message;
    } files[] = {
        {"faxrcp settings 2\n" + saved.substr(18), "is not a settings file that can be read"},
        {saved.substr(0, saved.find("ecmMode=") + 9), ":40: ecmMode=o refused: ecmMode takes "},
        {saved.substr(0, saved.find("language=") + 9), ":27: language= refused"},
        {saved + "[status]\nmachineId=B\xC3", "is not a settings file that can be read"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.message);
        machine().clearLog();
        EXPECT_EQ(Run({"settings", "load", dir.write("cut.stf", f.text)}), cli::kExitUsage);
        EXPECT_NE(err.str().find(f.message), std::string::npos) << err.str();
        EXPECT_TRUE(machine().commandLog().empty());
    }
}

TEST_F(CliSettingsTest, AFileThatCannotBeUsedCostsNoExchange) {
    const std::string fifo = dir.file("pipe.stf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    machine().clearLog();
    EXPECT_EQ(Run({"settings", "save", fifo}), cli::kExitUsage);
    EXPECT_NE(err.str().find("; nothing was read from the machine\n"), std::string::npos)
        << err.str();
    EXPECT_EQ(Run({"settings", "load", fifo}), cli::kExitUsage);
    EXPECT_TRUE(machine().commandLog().empty());

    // A machine that does not answer a read whole leaves the file as it was.
    const std::string real = dir.write("real.stf", "old");
    machine().setFault(sim::Command::GetStatus, sim::Fault{.cutAnswerTo = 20});
    EXPECT_EQ(Run({"settings", "save", real}), cli::kExitNotResponding);
    EXPECT_NE(err.str().find("the status read whole; nothing written"), std::string::npos);
    EXPECT_EQ(dir.read("real.stf"), "old");
}

TEST_F(CliSettingsTest, LoadWritesNothingOverARecordItDidNotReadWhole) {
    Save();
    const std::string edited = dir.write("edited.stf", Edited("copies=", "copies=42"));
    for (sim::Command get : {sim::Command::GetSetup, sim::Command::GetStatus}) {
        machine().clearFaults();
        machine().clearLog();
        machine().setFault(get, sim::Fault{.cutAnswerTo = 12});
        EXPECT_EQ(Run({"settings", "load", edited}), cli::kExitNotResponding);
        EXPECT_NE(err.str().find(" read whole; nothing was sent\n"), std::string::npos)
            << err.str();
        EXPECT_FALSE(Wrote());
    }
}

} // namespace
