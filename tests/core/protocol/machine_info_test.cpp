#include "record_test_fixture.h"

namespace {

const ByteVector kGetRequest = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x43};

// 115-byte answer: head, free memory, six counters, four text slots.
ByteVector InfoAnswer() {
    return Concat({{0x1B, 0xA4, 0x00, 0x6F, 0x50, 0xE0, 0x82, 0xC1, 0x43, 0x00},
                   {0x37},
                   {0x00, 0x00, 0x00, 0x05},
                   {0x00, 0x01, 0x00, 0x00},
                   {0x00, 0x00, 0x01, 0x2C},
                   {0x00, 0x00, 0x00, 0x03},
                   {0x00, 0x00, 0x00, 0x00},
                   {0xFF, 0xFF, 0xFF, 0xFE},
                   ToBytes("2.01A-BETA"),
                   Concat({ToBytes("1.10"), Repeat(0x00, 6)}),
                   Concat({ToBytes("ZEML 2.00  "), Repeat(0x00, 19)}),
                   ToBytes("123456789012345678901234567890")});
}

using MachineInfoTest = RecordTest;

TEST_F(MachineInfoTest, CountersAndTextSlots) {
    ByteVector answer = InfoAnswer();
    ASSERT_EQ(answer.size(), 115u);
    device->onRead(answer);
    uint32_t start = clock.tick();
    ASSERT_EQ(Mfp_GetMachineInfo(panelContext.link, panelContext.records.machineInfo), 1);
    EXPECT_EQ(clock.tick() - start, 1000u);
    EXPECT_EQ(device->written(), kGetRequest);

    const MachineInfo& m = panelContext.records.machineInfo;
    EXPECT_EQ((std::vector<long long>{m.freeMemoryPercent, m.platenScanCount, m.adfScanCount,
                                      m.printCount, m.tonerReplacedCount, m.adfJamCount,
                                      m.printJamCount}),
              (std::vector<long long>{55, 5, 65536, 300, 3, 0, -2}));
    EXPECT_STREQ(panelContext.records.machineInfo.firmwareVersion,
                 "2.01A-BETA"); // ten characters, terminated
    EXPECT_STREQ(panelContext.records.machineInfo.engineVersion, "1.10");
    EXPECT_STREQ(panelContext.records.machineInfo.emulationVersion, "ZEML 2.00  "); // blanks stay
    EXPECT_STREQ(panelContext.records.machineInfo.extraText, "123456789012345678901234567890");

    EXPECT_EQ(plainTraces(), (std::vector<std::string>{
                                 "===> (Get Adv-Settings) SYSTEM STATUS <===\n", "WriteData = 9 \n",
                                 "Size to read = 115 \n", "ReadData = 115 \n", "Length = 111 \n"}));
    EXPECT_EQ(dumpLines(), 15);
}

// Cut-short answers and refused writes are tried against the simulated machine.
TEST_F(MachineInfoTest, AnswersAnnouncingTooLittleLeaveTheRecordAsItWas) {
    for (const ByteVector& answer : {ByteVector{0x1B, 0xA4, 0x00, 0x6F},
                                     Concat({{0x1B, 0xA4, 0x00, 0x00}, Repeat(0x31, 111)})}) {
        SCOPED_TRACE(Hex(Slice(answer, 0, 4)));
        ByteVector before = RawBytes(panelContext.records.machineInfo);
        freshDevice();
        device->onRead(answer);
        EXPECT_EQ(Mfp_GetMachineInfo(panelContext.link, panelContext.records.machineInfo), 0);
        EXPECT_EQ(RawBytes(panelContext.records.machineInfo), before);
    }
}

} // namespace
