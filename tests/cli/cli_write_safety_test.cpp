// faxrcp-cli's writing commands never send what they did not read whole from
// the machine: in this process, against "sim:" behind the stand-in libraries.
#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli_fixture.h"
#include "platform/program.h"
#include "protocol/phonebook.h"
#include "sim/simulated_machine.h"
#include "support/platform/fake_device.h"
#include "support/platform/platform_fixture.h"
#include "support/platform/temp_dir.h"

namespace {

// A phonebook file's head: the magic text and the writer's version.
const std::string kFileHead = std::string("VRN FAX-RCP Phonebook\0\0\0"
                                          "1.00\0\0\0\0",
                                          32) +
                              std::string("\x14\x00\x50\x00\x00\x00\x00\x00", 8);

// One slot as the file stores it: kind, mark, name[21], number[47].
std::string FileSlot(const std::string& name, const std::string& number) {
    std::string slot(70, '\0');
    std::memcpy(&slot[2], name.data(), std::min<size_t>(name.size(), 20));
    std::memcpy(&slot[23], number.data(), std::min<size_t>(number.size(), 46));
    return slot;
}

class CliWriteSafetyTest : public CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        for (size_t i = 0; i < machine().slotCount(); ++i) {
            machine().setSlotNumber(i, "Keep " + std::to_string(i), "0" + std::to_string(100 + i));
        }
    }

    bool Sent(sim::Command command) {
        const auto log = machine().commandLog();
        return std::find(log.begin(), log.end(), command) != log.end();
    }

    TempDir dir;
    ScopedEnv lockDir{"FAXRCP_LOCK_DIR", dir.path()};
    ScopedEnv profiles{"XDG_CONFIG_HOME", dir.path()};
    ScopedEnv usbPort{"FAXRCP_USB_PORT", "sim:"};
    FakeDevice ecp{"\\\\.\\VornEcp1"};
};

TEST_F(CliWriteSafetyTest, SetWritesNothingOverARecordItDidNotReadWhole) {
    const struct {
        cli::Args args;
        sim::Command get;
        sim::Command set;
    } commands[] = {
        {{"setup", "set", "zoom=50"}, sim::Command::GetSetup, sim::Command::SetSetup},
        {{"status", "set", "ecmMode=off"}, sim::Command::GetStatus, sim::Command::SetStatus},
    };
    for (const auto& c : commands) {
        for (const sim::Fault& fault :
             {sim::Fault{.cutAnswerTo = 4}, sim::Fault{.wrongHead = true}}) {
            SCOPED_TRACE(c.args[0] + (fault.wrongHead ? ", wrong head" : ", four bytes"));
            machine().reset();
            const auto setup = machine().setupBlock();
            const auto status = machine().statusBlock();
            machine().setFault(c.get, fault);

            EXPECT_EQ(Run(c.args), cli::kExitNotResponding);
            EXPECT_EQ(err.str(), "faxrcp-cli: the machine at sim: did not answer the " + c.args[0] +
                                     " read whole; nothing written\n");
            EXPECT_EQ(out.str(), "");
            EXPECT_FALSE(Sent(c.set));
            EXPECT_EQ(machine().setupBlock(), setup);
            EXPECT_EQ(machine().statusBlock(), status);
        }
    }
    // A whole record is changed and written back.
    machine().reset();
    EXPECT_EQ(Run({"setup", "set", "zoom=50"}), cli::kExitOk) << err.str();
    EXPECT_TRUE(Sent(sim::Command::SetSetup));
    EXPECT_EQ(machine().setupBlock()[10], 50);
}

TEST_F(CliWriteSafetyTest, PhonebookWriteLoadsAShortFileOverTheMachinesPhonebook) {
    const std::string file = dir.write(
        "short.pbf", kFileHead + FileSlot("File A", "555 01") + FileSlot("Keep 1", "0101") +
                         FileSlot("File C", "555 03") + FileSlot("File D", "555 04").substr(0, 30));
    EXPECT_EQ(Run({"phonebook", "write", file}), cli::kExitOk) << err.str();
    // Slot 1 holds what the machine had: only two slots change.
    EXPECT_EQ(out.str(), "2 slots changed\n");
    EXPECT_NE(err.str().find("faxrcp-cli: warning: '" + file +
                             "' ends 30 bytes into slot 3; that slot and the ones after it "
                             "keep the machine's entries\n"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(machine().slotName(0), "File A");
    EXPECT_EQ(machine().slotNumber(0), "555 01");
    EXPECT_EQ(machine().slotName(1), "Keep 1");
    EXPECT_EQ(machine().slotName(2), "File C");
    for (size_t i : {size_t{3}, size_t{4}, size_t{99}}) {
        EXPECT_EQ(machine().slotName(i), "Keep " + std::to_string(i)) << i;
        EXPECT_EQ(machine().slotNumber(i), "0" + std::to_string(100 + i)) << i;
    }

    // A file with its head alone changes nothing.
    EXPECT_EQ(Run({"phonebook", "write", dir.write("head.pbf", kFileHead)}), cli::kExitOk);
    EXPECT_EQ(out.str(), "0 slots changed\n");
    EXPECT_EQ(err.str().find("warning"), std::string::npos);
    EXPECT_EQ(machine().slotName(50), "Keep 50");
}

TEST_F(CliWriteSafetyTest, PhonebookWriteWithoutAWholeReadOrAFileWritesNothing) {
    const std::string file = dir.write("book.pbf", kFileHead + FileSlot("File A", "555 01"));
    machine().setFault(sim::Command::GetPhonebook, sim::Fault{.cutAnswerTo = 11 + 69 * 50});
    EXPECT_EQ(Run({"phonebook", "write", file}), cli::kExitNotResponding);
    EXPECT_EQ(err.str(), "faxrcp-cli: the machine at sim: did not answer the phonebook read "
                         "whole; nothing written\n");
    EXPECT_FALSE(Sent(sim::Command::SetPhonebook));
    EXPECT_EQ(machine().slotName(0), "Keep 0");

    // A file that cannot be loaded: the machine is not even opened.
    machine().reset();
    EXPECT_EQ(Run({"phonebook", "write", dir.write("bad.pbf", "not a phonebook")}),
              cli::kExitUsage);
    EXPECT_EQ(err.str(), "faxrcp-cli: '" + dir.file("bad.pbf") +
                             "' is not a phonebook file that can be read: not a phonebook file; "
                             "nothing was sent\n");
    EXPECT_EQ(machine().openCount(), 0);
}

} // namespace
