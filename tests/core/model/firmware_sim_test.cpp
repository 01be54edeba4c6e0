// The transfer against the simulated machine inside the process: what the
// machine ends up holding, byte for byte.

#include <gmock/gmock.h>

#include <algorithm>
#include <gtest/gtest.h>

#include <cstring>

#include "link/port.h"
#include "model/firmware_transfer.h"
#include "model/panel_context.h"
#include "platform/device.h"
#include "recording_view.h"
#include "sim/simulated_machine.h"
#include "support/core/panel_fixture.h"
#include "support/platform/bytes.h"
#include "support/platform/device_names.h"
#include "support/platform/firmware_test_helpers.h"

using firmware::TransferResult;
using ::testing::ElementsAre;

namespace {

ByteVector Image(const std::string& bytes) {
    return ByteVector(bytes.begin(), bytes.end());
}

class FirmwareSimTest : public PanelTest {
  protected:
    void TearDown() override {
        platform::UnregisterDevice(kEcp1);
        PanelTest::TearDown();
    }

    // The machine on the USB control port.
    void useUsb() {
        panelContext.link.currentPort = 0;
        std::strcpy(panelContext.link.usbWritePath, "sim:");
        std::strcpy(panelContext.link.usbReadPath, "sim:");
    }
    // The machine behind the ECP driver device.
    void useEcp() {
        panelContext.link.currentPort = 4;
        platform::RegisterDevice(kEcp1, [](const std::string&, const platform::OpenMode& mode) {
            return platform::OpenDevice("sim:", mode);
        });
    }

    std::string image(size_t size, uint32_t seed = 1) {
        content = fwtest::ImageBytes(size, seed);
        return dir.write("image.bin", content);
    }

    std::string content;
    fwtest::RecordingView view;
    firmware::FirmwareTransfer transfer{view, panelContext.link};
};

TEST_F(FirmwareSimTest, MachineReceivesTheImageOverUsb) {
    useUsb();
    const std::string path = image(10000);

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);

    EXPECT_EQ(machine().firmwareImage(), Image(content));
    EXPECT_EQ(machine().firmwareImagesCompleted(), 1);
    EXPECT_EQ(machine().firmwareRequestVariant(), 0x50);
    EXPECT_EQ(view.shown.at(2).messageText, "10000 bytes transferred");
}

TEST_F(FirmwareSimTest, MachineReceivesTheImageOverTheEcpDevice) {
    useEcp();
    const std::string path = image(9000, 2);

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);

    EXPECT_EQ(machine().firmwareImage(), Image(content));
    EXPECT_EQ(machine().firmwareImagesCompleted(), 1);
    EXPECT_EQ(machine().firmwareRequestVariant(), 0x40);
    std::vector<uint32_t> codes;
    for (const auto& call : machine().deviceControlLog()) {
        codes.push_back(call.code);
    }
    // The version reads and the drain set the read mode on handles of their
    // own; only the transfer's handle turns the direction.
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x182008u), 1);
}

TEST_F(FirmwareSimTest, MachineThatCannotBeOpenedFailsBothPaths) {
    machine().setOpenRefused(true);
    const std::string path = image(100);
    useUsb();
    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kFailed);
    useEcp();
    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kFailed);
    EXPECT_THAT(traceLines(), ::testing::Contains("Failed to open port..."));
    EXPECT_EQ(view.fileName, "chosen.bin");
    EXPECT_TRUE(view.updateEnabled);
}

} // namespace
