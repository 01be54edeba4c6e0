// faxrcp-cli firmware FILE against the faxrcp-sim daemon over a real socket.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "../firmware/firmware_test_helpers.h"
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

// The traces share standard error and end without a line break, so the
// tool's lines are looked for anywhere in it.
bool Said(const e2e::CliRun& run, const std::string& text) {
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

    const e2e::CliRun run = sim.cli({"firmware", WriteImage(sim, image)});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Said(run, "firmware: 4096 of 10000 bytes sent (40 %)")) << run.err;
    EXPECT_TRUE(Said(run, "firmware: 8192 of 10000 bytes sent (81 %)")) << run.err;
    EXPECT_TRUE(Said(run, "firmware: 10000 of 10000 bytes sent (100 %)")) << run.err;
    EXPECT_TRUE(Said(run, "firmware: update complete")) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    const std::string received = ReceivedImage(sim);
    ASSERT_EQ(received.size(), image.size());
    EXPECT_TRUE(received == image) << "the received image differs";
}

TEST(FirmwareCliTest, RefusedOrCutShortDataExitsWithOne) {
    {
        SCOPED_TRACE("refused");
        e2e::SimDaemon sim({"--refuse-firmware"});

        const e2e::CliRun run = sim.cli({"firmware", WriteImage(sim, fwtest::ImageBytes(6000))});

        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_TRUE(Said(run, "firmware: failed to write data (0 of 6000 bytes sent)")) << run.err;
        EXPECT_TRUE(Said(run, "FwUp: Data written - 0 ")) << run.err;
        EXPECT_FALSE(Said(run, "update complete")) << run.err;
    }
    {
        SCOPED_TRACE("cut short");
        e2e::SimDaemon sim({"--image-limit", "5000", "--firmware-idle", "200"});

        const e2e::CliRun run = sim.cli({"firmware", WriteImage(sim, fwtest::ImageBytes(10000))});

        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_TRUE(Said(run, "firmware: 4096 of 10000 bytes sent (40 %)")) << run.err;
        EXPECT_TRUE(Said(run, "firmware: failed to write data (4096 of 10000 bytes sent)"))
            << run.err;
        EXPECT_TRUE(Said(run, "FwUp: Data written - 904 ")) << run.err;
        // The machine keeps what it took, and no more.
        EXPECT_EQ(ReceivedImage(sim), fwtest::ImageBytes(10000).substr(0, 5000));
    }
}

TEST(FirmwareCliTest, MissingFileExitsWithOneWithoutTouchingTheMachine) {
    e2e::SimDaemon sim(kQuickImage);

    const e2e::CliRun run = sim.cli({"firmware", sim.folder() + "/missing.bin"});

    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(Said(run, "firmware: cannot open")) << run.err;
    EXPECT_FALSE(Said(run, "FwUp")) << run.err;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(std::ifstream(sim.stateFile() + ".firmware.bin").good());
}

} // namespace
