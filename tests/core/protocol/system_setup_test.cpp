#include <algorithm>

#include "record_test_fixture.h"

namespace {

const ByteVector kGetRequest = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x41};
const ByteVector kSetHead = {0x1B, 0xA4, 0x00, 0x1B, 0x50, 0xE0, 0x82, 0xC2, 0x41};
const ByteVector kDefaultBlock = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x01, 0x01, 0x00, 0x64,
                                  0x00, 0x01, 0x01, 0x01, 0x09, 0x02, 0x03, 0x03, 0x02, 0x01, 0x01};

// A full 32-byte answer around a data block.
ByteVector SetupAnswer(const ByteVector& block) {
    return Concat({{0x1B, 0xA4, 0x00, 0x1C, 0x50, 0xE0, 0x82, 0xC1, 0x41, 0x00}, block});
}

// Every field different from its default and from its neighbours.
const ByteVector kMachineBlock = {0x11, 0x22, 0x02, 0x33, 0x05, 0x09, 0x1E, 0x02, 0x00, 0x01, 0x2C,
                                  0x00, 0x02, 0x04, 0x00, 0x44, 0x07, 0x0F, 0x0D, 0x00, 0x00, 0x00};

using SystemSetupTest = RecordTest;

TEST_F(SystemSetupTest, DefaultsTravelAsTheDocumentedBlock) {
    device->onRead(kWriteAck);
    uint32_t start = clock.tick();
    EXPECT_EQ(Mfp_SetSettings(panelContext.link, panelContext.records.systemSetup), 1);
    EXPECT_EQ(clock.tick() - start, 500u);
    EXPECT_EQ(device->written(), Concat({kSetHead, kDefaultBlock}));
    EXPECT_EQ(readCalls(), 1);
    EXPECT_EQ(plainTraces(),
              (std::vector<std::string>{"===> SET SETTINGS <===\n", "WriteData = 31 \n"}));
    EXPECT_EQ(dumpLines(), 4); // the 31 request bytes
}

TEST_F(SystemSetupTest, GetTakesEveryFieldFromItsWireOffset) {
    device->onRead(SetupAnswer(kMachineBlock));
    uint32_t start = clock.tick();
    ASSERT_EQ(Mfp_GetSettings(panelContext.link, panelContext.records.systemSetup), 1);
    EXPECT_EQ(clock.tick() - start, 1000u);
    EXPECT_EQ(device->written(), kGetRequest);

    const SystemSetup& s = panelContext.records.systemSetup;
    // Every field in wire order, compared as numbers.
    EXPECT_EQ((std::vector<int>{s.reservedSetup0, s.reservedSetup1,  s.trayPaperSize,
                                s.reservedSetup3, s.bypassPaperSize, s.bypassPaperType,
                                s.discardSize,    s.contrast,        s.documentMode,
                                s.zoom,           s.copies,          s.printTimeOut,
                                s.receiveMode,    s.reservedSetup15, s.ringCount,
                                s.redialInterval, s.redialCount,     s.sendingConfirm,
                                s.autoJournal,    s.rxReduction}),
              (std::vector<int>{0x11, 0x22, 2, 0x33, 5, 9,  30, 2, 0, 300,
                                2,    4,    0, 0x44, 7, 15, 13, 0, 0, 0}));

    EXPECT_EQ(plainTraces(), (std::vector<std::string>{"===> (Get Settings) SYSTEM SETUP <===\n",
                                                       "WriteData = 9 \n", "Size to read = 32 \n",
                                                       "ReadData = 32 \n", "Length = 28 \n"}));
    EXPECT_EQ(dumpLines(), 4);

    // The next set sends the block back as it came, zoom and copies at 18..21.
    device->clearCalls();
    device->onRead(kWriteAck);
    ASSERT_EQ(Mfp_SetSettings(panelContext.link, panelContext.records.systemSetup), 1);
    ByteVector request = device->written();
    ASSERT_EQ(request.size(), 31u);
    EXPECT_EQ(ByteVector(request.begin() + 9, request.end()), kMachineBlock);
    EXPECT_EQ(request[18], 0x01);
    EXPECT_EQ(request[19], 0x2C);
    EXPECT_EQ(request[20], 0x00);
    EXPECT_EQ(request[21], 0x02);
}

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

TEST_F(SystemSetupTest, FailedReadsLeaveTheRecordAsItWas) {
    const std::vector<std::pair<const char*, ByteVector>> answers = {
        {"announces zero", Concat({{0x1B, 0xA4, 0x00, 0x00}, Repeat(0x55, 28)})},
        {"cut short", Slice(SetupAnswer(kMachineBlock), 0, 20)},
        {"longer than announced", Concat({{0x1B, 0xA4, 0x00, 0x10}, Repeat(0x55, 28)})},
        {"announces more than came", Concat({{0x1B, 0xA4, 0x00, 0x20}, Repeat(0x55, 28)})},
    };
    for (const auto& [what, answer] : answers) {
        SCOPED_TRACE(what);
        ByteVector before = RawBytes(panelContext.records.systemSetup);
        freshDevice();
        device->onRead(answer);
        EXPECT_EQ(Mfp_GetSettings(panelContext.link, panelContext.records.systemSetup), 0);
        EXPECT_EQ(RawBytes(panelContext.records.systemSetup), before);
    }
    // The cut-short answer still traces what it announced.
    const auto traces = plainTraces();
    auto cut = std::find(traces.begin(), traces.end(), "ReadData = 20 \n");
    ASSERT_NE(cut, traces.end());
    EXPECT_EQ(*(cut + 1), "Length = 28 \n");
}

TEST_F(SystemSetupTest, ShortRequestWriteFailsWithoutReading) {
    device->onWrite(8);
    device->onRead(SetupAnswer(kMachineBlock));
    ByteVector before = RawBytes(panelContext.records.systemSetup);
    uint32_t start = clock.tick();
    EXPECT_EQ(Mfp_GetSettings(panelContext.link, panelContext.records.systemSetup), 0);
    EXPECT_EQ(clock.tick() - start, 1000u);
    EXPECT_EQ(readCalls(), 0);
    EXPECT_EQ(RawBytes(panelContext.records.systemSetup), before);
    EXPECT_EQ(plainTraces().back(), "WriteData = 8 \n");
}

} // namespace
