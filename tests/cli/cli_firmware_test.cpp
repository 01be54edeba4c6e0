// faxrcp-cli firmware: a person confirms at a terminal, a script says --yes,
// anything else sends nothing; progress is a bar on a terminal and lines
// otherwise, on standard output.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <utility>
#include <vector>

#include "cli_fixture.h"
#include "support/platform/firmware_test_helpers.h"

namespace {

class CliFirmwareTest : public CliTest {
  protected:
    std::string Image(size_t size) {
        content = fwtest::ImageBytes(size);
        return dir.write("update.bin", content);
    }
    bool Received() {
        const auto image = machine().firmwareImage();
        return machine().firmwareImagesCompleted() == 1 &&
               std::string(image.begin(), image.end()) == content;
    }
    std::string content;
};

TEST_F(CliFirmwareTest, AtATerminalTheFileIsShownAndOnlyYesSendsIt) {
    const std::string file = Image(10000);
    inTerminal = true;
    const std::string question = "Firmware file: " + file +
                                 "\nSize:          10000 bytes\nThe machine must stay on until "
                                 "it has stored the image.\nSend it to the machine? [y/N] ";
    for (const char* answer : {"", "n\n", "no\n", "yes please\n"}) {
        SCOPED_TRACE(answer);
        EXPECT_EQ(Run({"firmware", file}, answer), cli::kExitUsage);
        EXPECT_EQ(err.str(), question + "faxrcp-cli: firmware not sent\n");
        EXPECT_EQ(machine().openCount(), 0);
    }
    EXPECT_EQ(Run({"firmware", file}, "y\n"), cli::kExitOk);
    EXPECT_EQ(err.str(), question);
    EXPECT_TRUE(Received());
}

TEST_F(CliFirmwareTest, ScriptsSayYesAndWithoutATerminalNothingElseSends) {
    const std::string file = Image(10000);
    EXPECT_EQ(Run({"firmware", file}, "y\n"), cli::kExitUsage);
    EXPECT_EQ(err.str(), "faxrcp-cli: firmware: standard input is not a terminal to confirm on; "
                         "add --yes to send '" +
                             file + "' without asking\n");
    EXPECT_EQ(machine().openCount(), 0);

    machine().setNextFirmwareVersion("2.10");
    EXPECT_EQ(Run({"-y", "firmware", file}), cli::kExitOk) << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_TRUE(Received());
    EXPECT_EQ(out.str(), "40% (4096 of 10000 bytes)\n81% (8192 of 10000 bytes)\n"
                         "100% (10000 of 10000 bytes)\n"
                         "firmware: 10000 bytes sent; the machine is storing the image (40 s), "
                         "do not switch it off\nfirmware: update complete: firmware 2.05 → 2.10\n");
    machine().setNextFirmwareVersion("2.11");
    EXPECT_EQ(Run({"-y", "--json", "firmware", file}), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str(), "{\n  \"result\": \"complete\",\n  \"sent\": 10000,\n  \"total\": 10000,\n"
                         "  \"versionBefore\": \"2.10\",\n  \"versionAfter\": \"2.11\"\n}\n");
}

// A machine that does not answer once it has stored the image: sent, not
// confirmed.
TEST_F(CliFirmwareTest, AnUpdateTheMachineDoesNotConfirmExits1) {
    const std::string file = Image(5000);
    machine().setFault(sim::Command::GetInfo, sim::Fault{.silent = true});
    EXPECT_EQ(Run({"-y", "--json", "firmware", file}), cli::kExitNotResponding);
    EXPECT_TRUE(Received());
    EXPECT_EQ(out.str(),
              "{\n  \"result\": \"unconfirmed\",\n  \"sent\": 5000,\n  \"total\": 5000\n}\n");
    EXPECT_EQ(err.str(), "faxrcp-cli: firmware: the image was sent whole (5000 bytes), but the "
                         "machine at sim: did not answer afterwards, so the update is not "
                         "confirmed; switch the machine off and on, then run 'faxrcp-cli info'\n");
}

TEST_F(CliFirmwareTest, OnATerminalOneBarIsRedrawnUnlessTheTraceSharesIt) {
    const std::string file = Image(10000);
    outTerminal = true;
    EXPECT_EQ(Run({"firmware", "--yes", file}), cli::kExitOk) << err.str();
    const std::string bar = out.str();
    EXPECT_TRUE(bar.starts_with("\r[############..................] 40%  4096 of 10000 bytes"
                                "\r[########################......] 81%  8192 of 10000 bytes"
                                "\r[##############################] 100%  10000 of 10000 bytes\n"
                                "firmware: 10000 bytes sent;"))
        << bar;

    // With the trace on the terminal the progress comes in whole lines.
    EXPECT_EQ(Run({"firmware", "--yes", "-v", file}), cli::kExitOk);
    EXPECT_EQ(out.str().find('\r'), std::string::npos);
    EXPECT_TRUE(out.str().starts_with("40% (4096 of 10000 bytes)\n")) << out.str();
    EXPECT_NE(err.str().find("RCP: Port Release"), std::string::npos);
}

// Signals from the terminal or the session while the image goes out wait
// for its end: the machine never stores a part of an image.
TEST_F(CliFirmwareTest, SignalsDuringTheUpdateWaitForItsEnd) {
    const std::string file = Image(30 * 4096);
    // The machine's clock raises SIGINT once 18 % of the image arrived.
    struct InterruptingClock : platform::VirtualClock {
        uint32_t tick() override {
            // The machine reads the clock as well: one look at a time.
            if (!raised && !std::exchange(looking, true)) {
                raised = machine().firmwareImage().size() >= 30 * 4096 * 18 / 100;
                if (raised) {
                    std::raise(SIGINT);
                }
                looking = false;
            }
            return VirtualClock::tick();
        }
        bool raised = false, looking = false;
    } interrupting;
    // Where the signal would end this test instead.
    static volatile sig_atomic_t reached = 0;
    const auto previous = std::signal(SIGINT, [](int) { reached = 1; });
    useClock(interrupting);
    testing::internal::CaptureStderr();
    const int status = Run({"firmware", "--yes", file});
    const std::string notice = testing::internal::GetCapturedStderr();
    useClock(clock);
    std::signal(SIGINT, previous);

    EXPECT_TRUE(interrupting.raised);
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(status, cli::kExitInterrupted);
    EXPECT_TRUE(Received());
    // 5 of 30 chunks went in the 5 s since the request: 25 s more, and 40 s
    // of storing.
    EXPECT_EQ(notice, "The update cannot be interrupted without damaging the machine's firmware; "
                      "it ends in about 65 s\n");
}

} // namespace
