#include "record_test_fixture.h"

namespace {

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

// The round trips of every record are record_round_trip_test.cpp's; this
// record dumps the whole answer buffer even when little came.
TEST_F(SystemStatusTest, CutAnswersDumpTheWholeBuffer) {
    ByteVector before = RawBytes(panelContext.records.systemStatus);
    device->onRead({0x1B, 0xA4, 0x00, 0x4F, 0x50, 0xE0});
    EXPECT_EQ(Mfp_GetSystemStatus(panelContext.link, panelContext.records.systemStatus), 0);
    EXPECT_EQ(dumpLines(), 11);
    EXPECT_EQ(plainTraces().back(), "Length = 79 \n");
    EXPECT_EQ(RawBytes(panelContext.records.systemStatus), before);
}

} // namespace
