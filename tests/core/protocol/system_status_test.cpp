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
    device->onRead(kWriteAck);
    uint32_t start = clock.tick();
    EXPECT_EQ(Mfp_SetSystemStatus(panelContext.link, panelContext.records.systemStatus), 1);
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
    ASSERT_EQ(Mfp_GetSystemStatus(panelContext.link, panelContext.records.systemStatus), 1);
    EXPECT_EQ(clock.tick() - start, 1000u);
    EXPECT_EQ(device->written(), kGetRequest);

    const SystemStatus& s = panelContext.records.systemStatus;
    EXPECT_STREQ(s.machineNumber, "0123456789ABCDEFGHIJ"); // full width, still terminated
    EXPECT_STREQ(s.machineId, "OFFICE FAX          ");     // trailing blanks kept
    EXPECT_EQ(ByteVector(s.reservedStatus43, s.reservedStatus43 + 5),
              (ByteVector{0xA1, 0xB2, 0xC3, 0xD4, 0xE5}));
    EXPECT_STREQ(s.prefixDial, "9");
    const StatusDateTime& a = s.tollSaverStart;
    const StatusDateTime& b = s.tollSaverEnd;
    // The other fields in wire order, compared as numbers.
    EXPECT_EQ(
        (std::vector<int>{s.clockMode, s.language, s.powerSave,  s.usbMode,   s.speaker,
                          s.ringer,    s.keySound, s.alarmSound, s.tollSaver, a.month,
                          a.day,       a.year,     a.hour,       a.minute,    b.month,
                          b.day,       b.year,     b.hour,       b.minute,    s.stampReceiverName,
                          s.ecmMode}),
        (std::vector<int>{1,    5,  4,  1,  2,  3,    0, 0, 0, 3, 21,
                          2007, 22, 45, 11, 30, 2008, 6, 5, 1, 1}));

    EXPECT_EQ(plainTraces(), (std::vector<std::string>{"===> (Get Settings 2) SYSTEM STATUS <===\n",
                                                       "WriteData = 9 \n", "Size to read = 83 \n",
                                                       "ReadData = 83 \n", "Length = 79 \n"}));
    EXPECT_EQ(dumpLines(), 11);

    device->clearCalls();
    device->onRead(kWriteAck);
    ASSERT_EQ(Mfp_SetSystemStatus(panelContext.link, panelContext.records.systemStatus), 1);
    EXPECT_EQ(device->written(), Concat({kSetHead, MachineBlock()}));
}

TEST_F(SystemStatusTest, DatesAreBroughtIntoRange) {
    ByteVector block = MachineBlock();
    const ByteVector wild = {0x0D, 0x20, 0x08, 0x4C, 0x18, 0x3C}; // 13/32/2124 24:60
    std::copy(wild.begin(), wild.end(), block.begin() + 54);
    std::copy(wild.begin(), wild.end(), block.begin() + 60);
    ByteVector answer = Concat({kAnswerHead, block});
    ASSERT_EQ(ByteVector(answer.begin() + 64, answer.begin() + 70), wild);
    device->onRead(answer).onRead(kWriteAck);
    ASSERT_EQ(Mfp_GetSystemStatus(panelContext.link, panelContext.records.systemStatus), 1);
    const StatusDateTime limit = {12, 31, 2089, 23, 59};
    EXPECT_EQ(RawBytes(panelContext.records.systemStatus.tollSaverStart), RawBytes(limit));
    EXPECT_EQ(RawBytes(panelContext.records.systemStatus.tollSaverEnd), RawBytes(limit));
    // The clamped values are what the next set sends.
    ASSERT_EQ(Mfp_SetSystemStatus(panelContext.link, panelContext.records.systemStatus), 1);
    ByteVector request = device->writes().back();
    const ByteVector clamped = {0x0C, 0x1F, 0x08, 0x29, 0x17, 0x3B};
    EXPECT_EQ(ByteVector(request.begin() + 63, request.begin() + 69), clamped);
    EXPECT_EQ(ByteVector(request.begin() + 69, request.begin() + 75), clamped);
}

TEST_F(SystemStatusTest, YearsStayWithin1990And2089AndZeroDaysStay) {
    const struct {
        StatusDateTime in;
        StatusDateTime out;
    } cases[] = {
        {{0, 0, 1989, 0, 0}, {0, 0, 1990, 0, 0}},
        {{12, 31, 2089, 23, 59}, {12, 31, 2089, 23, 59}},
        {{12, 31, 2090, 23, 59}, {12, 31, 2089, 23, 59}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in.year);
        StatusDateTime t = c.in;
        ClampStatusDateTime(t);
        EXPECT_EQ(RawBytes(t), RawBytes(c.out));
    }

    ByteVector block = MachineBlock();
    block[56] = 0x07; // 1989
    block[57] = 0xC5;
    block[62] = 0x07;
    block[63] = 0xC5;
    device->onRead(Concat({kAnswerHead, block}));
    ASSERT_EQ(Mfp_GetSystemStatus(panelContext.link, panelContext.records.systemStatus), 1);
    EXPECT_EQ(panelContext.records.systemStatus.tollSaverStart.year, 1990);
    EXPECT_EQ(panelContext.records.systemStatus.tollSaverEnd.year, 1990);
}

// Text fields go back as the machine gave them, bytes after a zero included.
TEST_F(SystemStatusTest, TextsTravelBackAsTheyCame) {
    ByteVector block = MachineBlock();
    const ByteVector number = Concat({ToBytes("AB"), {0x00}, ToBytes("CD"), Repeat(0x00, 15)});
    std::copy(number.begin(), number.end(), block.begin());
    answer({Concat({kAnswerHead, block}), kWriteAck});
    ASSERT_EQ(Mfp_GetSystemStatus(panelContext.link, panelContext.records.systemStatus), 1);
    EXPECT_STREQ(panelContext.records.systemStatus.machineNumber, "AB");
    ASSERT_EQ(Mfp_SetSystemStatus(panelContext.link, panelContext.records.systemStatus), 1);
    const ByteVector request = device->writes().back();
    EXPECT_EQ(ByteVector(request.begin() + 9, request.end()), block);
}

// Other cut-short answers are tried against the simulated machine.
TEST_F(SystemStatusTest, CutOrZeroLengthAnswersLeaveTheRecordAndDumpTheWholeBuffer) {
    ByteVector before = RawBytes(panelContext.records.systemStatus);
    device->onRead({0x1B, 0xA4, 0x00, 0x4F, 0x50, 0xE0});
    EXPECT_EQ(Mfp_GetSystemStatus(panelContext.link, panelContext.records.systemStatus), 0);
    EXPECT_EQ(dumpLines(), 11);
    EXPECT_EQ(plainTraces().back(), "Length = 79 \n");
    EXPECT_EQ(RawBytes(panelContext.records.systemStatus), before);

    freshDevice();
    device->onRead(Concat({{0x1B, 0xA4, 0x00, 0x00}, Repeat(0x31, 79)}));
    EXPECT_EQ(Mfp_GetSystemStatus(panelContext.link, panelContext.records.systemStatus), 0);
    EXPECT_EQ(RawBytes(panelContext.records.systemStatus), before);
}

TEST_F(SystemStatusTest, ShortRequestWritesReadNothing) {
    device->onWrite(8);
    device->onRead(Concat({kAnswerHead, MachineBlock()}));
    ByteVector before = RawBytes(panelContext.records.systemStatus);
    uint32_t start = clock.tick();
    EXPECT_EQ(Mfp_GetSystemStatus(panelContext.link, panelContext.records.systemStatus), 0);
    EXPECT_EQ(clock.tick() - start, 1000u);
    EXPECT_EQ(readCalls(), 0);
    EXPECT_EQ(RawBytes(panelContext.records.systemStatus), before);
    EXPECT_EQ(debug.lines, (std::vector<std::string>{"===> (Get Settings 2) SYSTEM STATUS <===\n",
                                                     "WriteData = 8 \n"}));

    freshDevice();
    debug.lines.clear();
    device->onWrite(81);
    device->onRead(Repeat(0x00, 10));
    EXPECT_EQ(Mfp_SetSystemStatus(panelContext.link, panelContext.records.systemStatus), 0);
    EXPECT_EQ(readCalls(), 0);
    EXPECT_EQ(debug.lines, (std::vector<std::string>{"WriteData = 81 \n"}));
}

} // namespace
