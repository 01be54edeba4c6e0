// faxrcp-cli firmware FILE against the faxrcp-sim daemon over a real socket.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "support/platform/firmware_test_helpers.h"
#include "e2e_programs.h"

namespace {

// The daemon takes an image as complete after this much quiet on the line;
// the programs skip their own waits, so the real time is short.
const std::vector<std::string> kQuickImage = {"--firmware-idle", "200"};

// The image the daemon wrote beside its state, once it has taken it as
// complete; empty when none arrives within a few seconds.
std::string ReceivedImage(const e2e::SimDaemon& sim) {
    const std::string path = sim.stateFile() + ".firmware.bin";
    for (int i = 0; i < 100; ++i) {
        if (std::ifstream(path).good()) {
            return e2e::ReadFile(path);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

// Progress and the end of the update are lines of standard output; the
// trace (-v) and the errors are standard error's.
bool Said(const e2e::CliRun& run, const std::string& text) {
    return run.out.find(text) != std::string::npos;
}

bool Traced(const e2e::CliRun& run, const std::string& text) {
    return run.err.find(text) != std::string::npos;
}

std::string WriteImage(const e2e::SimDaemon& sim, const std::string& bytes) {
    const std::string file = sim.folder() + "/update.bin";
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

TEST(FirmwareCliTest, MachineStoresTheImageByteForByte) {
    e2e::SimDaemon sim(kQuickImage);
    const std::string image = fwtest::ImageBytes(10000, 7);

    const e2e::CliRun run = sim.cli({"firmware", "--yes", WriteImage(sim, image)});

    EXPECT_EQ(run.status, 0) << run.err;
    // Not a terminal: plain lines, one per step of the percentage.
    EXPECT_EQ(
        run.outLines(),
        (std::vector<std::string>{
            "40% (4096 of 10000 bytes)", "81% (8192 of 10000 bytes)", "100% (10000 of 10000 bytes)",
            "firmware: 10000 bytes sent; the machine is storing the image (40 s), do not "
            "switch it off",
            "firmware: update complete: firmware 2.05 → 2.05"}));
    EXPECT_EQ(run.err, "");
    const std::string received = ReceivedImage(sim);
    ASSERT_EQ(received.size(), image.size());
    EXPECT_TRUE(received == image) << "the received image differs";
}

TEST(FirmwareCliTest, RefusedOrCutShortDataExitsWithOne) {
    {
        SCOPED_TRACE("refused");
        e2e::SimDaemon sim({"--refuse-firmware"});

        const e2e::CliRun run =
            sim.cli({"-v", "firmware", "-y", WriteImage(sim, fwtest::ImageBytes(6000))});

        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_TRUE(Traced(run, "\nfaxrcp-cli: firmware: the machine at unix:" + sim.socket() +
                                    " did not take the image (0 of 6000 bytes sent)\n"))
            << run.err;
        EXPECT_TRUE(Traced(run, "FwUp: Data written - 0 ")) << run.err;
        EXPECT_FALSE(Said(run, "update complete")) << run.out;
    }
    {
        SCOPED_TRACE("cut short");
        // No storing wait follows a refused image, so the machine can wait long
        // enough for a loaded host to keep its chunks in one image.
        e2e::SimDaemon sim({"--image-limit", "5000", "--firmware-idle", "1000"});

        const e2e::CliRun run =
            sim.cli({"--verbose", "firmware", "--yes", WriteImage(sim, fwtest::ImageBytes(10000))});

        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_EQ(run.out, "40% (4096 of 10000 bytes)\n");
        EXPECT_TRUE(Traced(run, "did not take the image (4096 of 10000 bytes sent)\n")) << run.err;
        EXPECT_TRUE(Traced(run, "FwUp: Data written - 904 ")) << run.err;
        // The machine keeps what it took, and no more.
        EXPECT_EQ(ReceivedImage(sim), fwtest::ImageBytes(10000).substr(0, 5000));
    }
}

TEST(FirmwareCliTest, MissingFileOrNoConfirmationExitsWithTwoWithoutTouchingTheMachine) {
    e2e::SimDaemon sim(kQuickImage);

    const e2e::CliRun run = sim.cli({"-v", "firmware", "--yes", sim.folder() + "/missing.bin"});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.err, "faxrcp-cli: firmware file '" + sim.folder() +
                           "/missing.bin': no such file; nothing was sent to the machine\n");

    // Standard input is no terminal here: without --yes nothing is sent.
    const std::string file = WriteImage(sim, fwtest::ImageBytes(10000));
    const e2e::CliRun unconfirmed = sim.cli({"-v", "firmware", file});
    EXPECT_EQ(unconfirmed.status, 2);
    EXPECT_EQ(unconfirmed.err, "faxrcp-cli: firmware: standard input is not a terminal to "
                               "confirm on; add --yes to send '" +
                                   file + "' without asking\n");
    EXPECT_EQ(unconfirmed.out, "");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(std::ifstream(sim.stateFile() + ".firmware.bin").good());
}

} // namespace
