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

TEST_F(MachineInfoTest, DefaultsBeforeAnyExchange) {
    EXPECT_EQ(machineInfo.freeMemoryPercent, 100);
    EXPECT_EQ(machineInfo.platenScanCount, 50);
    EXPECT_EQ(machineInfo.adfScanCount, 90);
    EXPECT_EQ(machineInfo.printCount, 120);
    EXPECT_EQ(machineInfo.tonerReplacedCount, 1);
    EXPECT_EQ(machineInfo.adfJamCount, 1);
    EXPECT_EQ(machineInfo.printJamCount, 1);
    EXPECT_STREQ(machineInfo.firmwareVersion, "1.00");
    EXPECT_STREQ(machineInfo.engineVersion, "V1.0.0");
    EXPECT_STREQ(machineInfo.emulationVersion, "ZEML 1.15 12-17-2002");
    EXPECT_STREQ(machineInfo.extraText, "");
}

TEST_F(MachineInfoTest, CountersAndTextSlots) {
    ByteVector answer = InfoAnswer();
    ASSERT_EQ(answer.size(), 115u);
    device->onRead(answer);
    uint32_t start = clock.tick();
    ASSERT_EQ(Mfp_GetMachineInfo(), 1);
    EXPECT_EQ(clock.tick() - start, 1000u);
    EXPECT_EQ(device->written(), kGetRequest);

    EXPECT_EQ(machineInfo.freeMemoryPercent, 55);
    EXPECT_EQ(machineInfo.platenScanCount, 5);
    EXPECT_EQ(machineInfo.adfScanCount, 65536);
    EXPECT_EQ(machineInfo.printCount, 300);
    EXPECT_EQ(machineInfo.tonerReplacedCount, 3);
    EXPECT_EQ(machineInfo.adfJamCount, 0);
    EXPECT_EQ(machineInfo.printJamCount, -2);
    EXPECT_STREQ(machineInfo.firmwareVersion, "2.01A-BETA"); // ten characters, terminated
    EXPECT_STREQ(machineInfo.engineVersion, "1.10");
    EXPECT_STREQ(machineInfo.emulationVersion, "ZEML 2.00  "); // blanks stay
    EXPECT_STREQ(machineInfo.extraText, "123456789012345678901234567890");

    EXPECT_EQ(plainTraces(), (std::vector<std::string>{
                                 "===> (Get Adv-Settings) SYSTEM STATUS <===\n", "WriteData = 9 \n",
                                 "Size to read = 115 \n", "ReadData = 115 \n", "Length = 111 \n"}));
    EXPECT_EQ(dumpLines(), 15);
}

TEST_F(MachineInfoTest, FailedReadsLeaveTheRecordAsItWas) {
    ByteVector full = InfoAnswer();
    const std::vector<std::pair<const char*, ByteVector>> answers = {
        {"nothing", {}},
        {"four bytes", {0x1B, 0xA4, 0x00, 0x6F}},
        {"announces zero", Concat({{0x1B, 0xA4, 0x00, 0x00}, Repeat(0x31, 111)})},
        // Would have shown zero counters and empty versions.
        {"40 of 115 bytes", ByteVector(full.begin(), full.begin() + 40)},
        {"114 of 115 bytes", ByteVector(full.begin(), full.begin() + 114)},
    };
    for (const auto& [what, answer] : answers) {
        SetMachineRecordDefaults();
        ByteVector before = RawBytes(machineInfo);
        freshDevice();
        device->onRead(answer);
        EXPECT_EQ(Mfp_GetMachineInfo(), 0) << what;
        EXPECT_EQ(RawBytes(machineInfo), before) << what;
    }
}

TEST_F(MachineInfoTest, ShortRequestWriteFailsWithoutReading) {
    device->onWrite(0);
    device->onRead(InfoAnswer());
    ByteVector before = RawBytes(machineInfo);
    EXPECT_EQ(Mfp_GetMachineInfo(), 0);
    EXPECT_EQ(readCalls(), 0);
    EXPECT_EQ(RawBytes(machineInfo), before);
}

} // namespace
