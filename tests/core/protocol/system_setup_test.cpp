#include <algorithm>

#include "record_test_fixture.h"

namespace {

// A full 32-byte answer around a data block.
ByteVector SetupAnswer(const ByteVector& block) {
    return Concat({{0x1B, 0xA4, 0x00, 0x1C, 0x50, 0xE0, 0x82, 0xC1, 0x41, 0x00}, block});
}

// Every field different from its default and from its neighbours.
const ByteVector kMachineBlock = {0x11, 0x22, 0x02, 0x33, 0x05, 0x09, 0x1E, 0x02, 0x00, 0x01, 0x2C,
                                  0x00, 0x02, 0x04, 0x00, 0x44, 0x07, 0x0F, 0x0D, 0x00, 0x00, 0x00};

using SystemSetupTest = RecordTest;

TEST_F(SystemSetupTest, CopiesTravelHighByteFirst) {
    for (auto [copies, high, low] : {std::tuple{255, 0x00, 0xFF}, std::tuple{256, 0x01, 0x00}}) {
        device->clearCalls();
        device->onRead(kWriteAck);
        panelContext.records.systemSetup.copies = static_cast<uint16_t>(copies);
        ASSERT_EQ(Mfp_SetSettings(panelContext.link, panelContext.records.systemSetup), 1);
        ByteVector request = device->written();
        ASSERT_EQ(request.size(), 31u);
        EXPECT_EQ(request[20], high) << copies;
        EXPECT_EQ(request[21], low) << copies;
    }
}

// The round trips of every record are record_round_trip_test.cpp's. This
// answer must be exactly as long as it says, and a cut one still traces what
// it announced.
TEST_F(SystemSetupTest, AnswersOfAnotherLengthAreRefused) {
    const ByteVector before = RawBytes(panelContext.records.systemSetup);
    device->onRead(Concat({{0x1B, 0xA4, 0x00, 0x20}, Slice(SetupAnswer(kMachineBlock), 4, 32)}));
    EXPECT_EQ(Mfp_GetSettings(panelContext.link, panelContext.records.systemSetup), 0);
    EXPECT_EQ(RawBytes(panelContext.records.systemSetup), before);

    freshDevice();
    device->onRead(Slice(SetupAnswer(kMachineBlock), 0, 20));
    EXPECT_EQ(Mfp_GetSettings(panelContext.link, panelContext.records.systemSetup), 0);
    const auto traces = plainTraces();
    auto cut = std::find(traces.begin(), traces.end(), "ReadData = 20 \n");
    ASSERT_NE(cut, traces.end());
    EXPECT_EQ(*(cut + 1), "Length = 28 \n");
}

} // namespace
