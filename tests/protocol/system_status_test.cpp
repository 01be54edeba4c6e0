#include "record_test_fixture.h"

namespace {

const ByteVector kGetRequest = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x40};
const ByteVector kSetHead = {0x1B, 0xA4, 0x00, 0x4E, 0x50, 0xE0, 0x82, 0xC2, 0x40};
const ByteVector kAnswerHead = {0x1B, 0xA4, 0x00, 0x4F, 0x50, 0xE0, 0x82, 0xC1, 0x40, 0x00};

// A status block with every field set apart from its default.
ByteVector MachineBlock() {
    ByteVector b =
        Concat({ToBytes("0123456789ABCDEFGHIJ"), ToBytes("OFFICE FAX"), Repeat(0x20, 10)});
    ByteVector rest = {0x01, 0x05, 0x04, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0x01,
                       0x02, 0x03, 0x00, 0x00, 0x00, 0x03, 0x15, 0x07, 0xD7,
                       0x16, 0x2D, 0x0B, 0x1E, 0x07, 0xD8, 0x06, 0x05};
    b.insert(b.end(), rest.begin(), rest.end());
    ByteVector tail = Concat({ToBytes("9"), Repeat(0x00, 4), {0x01, 0x01}});
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

using SystemStatusTest = RecordTest;

TEST_F(SystemStatusTest, DefaultsTravelAsTheDocumentedBlock) {
    device->onRead(Repeat(0x00, 10));
    uint32_t start = clock.tick();
    EXPECT_EQ(Mfp_SetSystemStatus(), 1);
    EXPECT_EQ(clock.tick() - start, 1000u);
    ByteVector expected = Concat(
        {kSetHead,
         Repeat(0x00, 40),
         {0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x01, 0x01},
         {0x0A, 0x0A, 0x07, 0xD2, 0x0A, 0x0A, 0x0A, 0x0A, 0x07, 0xD2, 0x0A, 0x0A},
         Repeat(0x00, 7)});
    ASSERT_EQ(expected.size(), 82u);
    EXPECT_EQ(device->written(), expected);
    // No banner and no dump for this command.
    EXPECT_EQ(debug.lines, (std::vector<std::string>{"WriteData = 82 \n", "ReadData = 10 \n"}));
}

TEST_F(SystemStatusTest, GetTakesEveryFieldAndSetSendsItBack) {
    device->onRead(Concat({kAnswerHead, MachineBlock()}));
    uint32_t start = clock.tick();
    ASSERT_EQ(Mfp_GetSystemStatus(), 1);
    EXPECT_EQ(clock.tick() - start, 1000u);
    EXPECT_EQ(device->written(), kGetRequest);

    const SystemStatus& s = systemStatus;
    EXPECT_STREQ(s.machineNumber, "0123456789ABCDEFGHIJ"); // full width, still terminated
    EXPECT_STREQ(s.machineId, "OFFICE FAX          ");     // trailing blanks kept
    EXPECT_EQ(s.clockMode, 1);
    EXPECT_EQ(s.language, 5);
    EXPECT_EQ(s.powerSave, 4);
    EXPECT_EQ(ByteVector(s.statusExtra, s.statusExtra + 5),
              (ByteVector{0xA1, 0xB2, 0xC3, 0xD4, 0xE5}));
    EXPECT_EQ(s.usbMode, 1);
    EXPECT_EQ(s.speaker, 2);
    EXPECT_EQ(s.ringer, 3);
    EXPECT_EQ(s.keySound, 0);
    EXPECT_EQ(s.alarmSound, 0);
    EXPECT_EQ(s.tollSaver, 0);
    EXPECT_EQ(s.tollSaverStart.month, 3);
    EXPECT_EQ(s.tollSaverStart.day, 21);
    EXPECT_EQ(s.tollSaverStart.year, 2007);
    EXPECT_EQ(s.tollSaverStart.hour, 22);
    EXPECT_EQ(s.tollSaverStart.minute, 45);
    EXPECT_EQ(s.tollSaverEnd.month, 11);
    EXPECT_EQ(s.tollSaverEnd.day, 30);
    EXPECT_EQ(s.tollSaverEnd.year, 2008);
    EXPECT_EQ(s.tollSaverEnd.hour, 6);
    EXPECT_EQ(s.tollSaverEnd.minute, 5);
    EXPECT_STREQ(s.prefixDial, "9");
    EXPECT_EQ(s.stampReceiverName, 1);
    EXPECT_EQ(s.ecmMode, 1);

    EXPECT_EQ(plainTraces(), (std::vector<std::string>{"===> (Get Settings 2) SYSTEM STATUS <===\n",
                                                       "WriteData = 9 \n", "Size to read = 83 \n",
                                                       "ReadData = 83 \n", "Length = 79 \n"}));
    EXPECT_EQ(dumpLines(), 11);

    device->clearCalls();
    ASSERT_EQ(Mfp_SetSystemStatus(), 1);
    EXPECT_EQ(device->written(), Concat({kSetHead, MachineBlock()}));
}

TEST_F(SystemStatusTest, DatesAreBroughtIntoRange) {
    ByteVector block = MachineBlock();
    const ByteVector wild = {0x0D, 0x20, 0x08, 0x4C, 0x18, 0x3C}; // 13/32/2124 24:60
    std::copy(wild.begin(), wild.end(), block.begin() + 54);
    std::copy(wild.begin(), wild.end(), block.begin() + 60);
    ByteVector answer = Concat({kAnswerHead, block});
    ASSERT_EQ(ByteVector(answer.begin() + 64, answer.begin() + 70), wild);
    device->onRead(answer);
    ASSERT_EQ(Mfp_GetSystemStatus(), 1);
    for (const StatusDateTime& t : {systemStatus.tollSaverStart, systemStatus.tollSaverEnd}) {
        EXPECT_EQ(t.month, 12);
        EXPECT_EQ(t.day, 31);
        EXPECT_EQ(t.year, 2089);
        EXPECT_EQ(t.hour, 23);
        EXPECT_EQ(t.minute, 59);
    }
    // The clamped values are what the next set sends.
    ASSERT_EQ(Mfp_SetSystemStatus(), 1);
    ByteVector request = device->writes().back();
    const ByteVector clamped = {0x0C, 0x1F, 0x08, 0x29, 0x17, 0x3B};
    EXPECT_EQ(ByteVector(request.begin() + 63, request.begin() + 69), clamped);
    EXPECT_EQ(ByteVector(request.begin() + 69, request.begin() + 75), clamped);
}

TEST_F(SystemStatusTest, YearLimits) {
    StatusDateTime t{0, 0, 1989, 0, 0};
    ClampStatusDateTime(t);
    EXPECT_EQ(t.year, 1990);
    EXPECT_EQ(t.month, 0); // a month or day of 0 stays 0
    EXPECT_EQ(t.day, 0);
    t = {12, 31, 2089, 23, 59};
    ClampStatusDateTime(t);
    EXPECT_EQ(t.year, 2089);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.minute, 59);
    t.year = 2090;
    ClampStatusDateTime(t);
    EXPECT_EQ(t.year, 2089);

    ByteVector block = MachineBlock();
    block[56] = 0x07; // 1989
    block[57] = 0xC5;
    block[62] = 0x07;
    block[63] = 0xC5;
    device->onRead(Concat({kAnswerHead, block}));
    ASSERT_EQ(Mfp_GetSystemStatus(), 1);
    EXPECT_EQ(systemStatus.tollSaverStart.year, 1990);
    EXPECT_EQ(systemStatus.tollSaverEnd.year, 1990);
}

TEST_F(SystemStatusTest, TextsSetShortAreFollowedByZeros) {
    std::memset(systemStatus.machineNumber, 'X', 20);
    std::strcpy(systemStatus.machineNumber, "12"); // old characters stay behind the terminator
    std::strcpy(systemStatus.prefixDial, "0");
    ASSERT_EQ(Mfp_SetSystemStatus(), 1);
    ByteVector request = device->writes().back();
    EXPECT_EQ(ByteVector(request.begin() + 9, request.begin() + 29),
              Concat({ToBytes("12"), Repeat(0x00, 18)}));
    EXPECT_EQ(ByteVector(request.begin() + 75, request.begin() + 80),
              Concat({ToBytes("0"), Repeat(0x00, 4)}));
}

TEST_F(SystemStatusTest, FailedReadsLeaveTheRecordAsItWas) {
    ByteVector full = Concat({kAnswerHead, MachineBlock()});
    const std::vector<std::pair<const char*, ByteVector>> answers = {
        {"nothing", {}},
        {"four bytes", {0x1B, 0xA4, 0x00, 0x4F}},
        {"announces zero", Concat({{0x1B, 0xA4, 0x00, 0x00}, Repeat(0x31, 79)})},
        // Would have given a record of zeros and years of 1990.
        {"30 of 83 bytes", ByteVector(full.begin(), full.begin() + 30)},
        {"82 of 83 bytes", ByteVector(full.begin(), full.begin() + 82)},
    };
    for (const auto& [what, answer] : answers) {
        SetMachineRecordDefaults();
        ByteVector before = RawBytes(systemStatus);
        freshDevice();
        device->onRead(answer);
        EXPECT_EQ(Mfp_GetSystemStatus(), 0) << what;
        EXPECT_EQ(RawBytes(systemStatus), before) << what;
    }
}

TEST_F(SystemStatusTest, DumpCoversTheWholeBufferWhateverArrived) {
    device->onRead({0x1B, 0xA4, 0x00, 0x4F, 0x50, 0xE0});
    EXPECT_EQ(Mfp_GetSystemStatus(), 0);
    EXPECT_EQ(dumpLines(), 11);
    EXPECT_EQ(plainTraces().back(), "Length = 79 \n");
}

TEST_F(SystemStatusTest, ShortRequestWritesReadNothing) {
    device->onWrite(8);
    device->onRead(Concat({kAnswerHead, MachineBlock()}));
    ByteVector before = RawBytes(systemStatus);
    uint32_t start = clock.tick();
    EXPECT_EQ(Mfp_GetSystemStatus(), 0);
    EXPECT_EQ(clock.tick() - start, 1000u);
    EXPECT_EQ(readCalls(), 0);
    EXPECT_EQ(RawBytes(systemStatus), before);
    EXPECT_EQ(debug.lines, (std::vector<std::string>{"===> (Get Settings 2) SYSTEM STATUS <===\n",
                                                     "WriteData = 8 \n"}));

    freshDevice();
    debug.lines.clear();
    device->onWrite(81);
    device->onRead(Repeat(0x00, 10));
    EXPECT_EQ(Mfp_SetSystemStatus(), 0);
    EXPECT_EQ(readCalls(), 0);
    EXPECT_EQ(debug.lines, (std::vector<std::string>{"WriteData = 81 \n"}));
}

} // namespace
