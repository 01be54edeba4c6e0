// The inquiry: request, pause, answer checks and machineClass.
#include <string>
#include <vector>

#include "link/port.h"
#include "protocol/inquiry.h"
#include "support/fake_device.h"
#include "support/platform_fixture.h"

namespace {

const ByteVector kRequest = HexBytes("1B A4 00 04 50 E0 82 C0");

class InquiryTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ResetLinkState();
        currentPort = 1;
        inquiryRecord = {0, 100, 1, 2};
    }
    void TearDown() override {
        ResetLinkState();
        PlatformTest::TearDown();
    }
    FakeDevice lpt{"LPT1"};
};

TEST_F(InquiryTest, ValidAnswerSetsMachineClassFromByte9) {
    lpt.onRead(HexBytes("1B A4 00 06 50 E0 00 64 01 07"));
    EXPECT_EQ(Mfp_Inquiry(), 1);
    EXPECT_EQ(inquiryRecord.machineClass, 7);
    EXPECT_EQ(inquiryRecord.capacityA, 0);
    EXPECT_EQ(inquiryRecord.capacityB, 100);
    EXPECT_EQ(inquiryRecord.reserved, 1);
    EXPECT_EQ(lpt.written(), kRequest);
    EXPECT_EQ(lpt.readSizes(), (std::vector<size_t>{10}));
    EXPECT_EQ(clock.slept(), 1500u);
    EXPECT_EQ(traceLines(), (std::vector<std::string>{
                                "===> INQUIRY <===\n",
                                "WriteData = 8 \n",
                                "Size to read = 10 \n",
                                "ReadData = 10 \n",
                                "0000: 1B A4 00 06 50 E0 00 64 ....P..d\r\n",
                                "0x08: 01 07 00 00 00 00 00 00 ..\r\n",
                                "Length = 6 \n",
                            }));
}

TEST_F(InquiryTest, LengthTraceReadsBytes2And3BigEndian) {
    lpt.onRead(HexBytes("1B A4 01 02 50 E0 00 64 01 02"));
    EXPECT_EQ(Mfp_Inquiry(), 1);
    EXPECT_EQ(traceLines().back(), "Length = 258 \n");
}

TEST_F(InquiryTest, AnswerOfFourBytesFailsAndClearsMachineClass) {
    lpt.onRead(HexBytes("1B A4 00 06"));
    EXPECT_EQ(Mfp_Inquiry(), 0);
    EXPECT_EQ(inquiryRecord.machineClass, 0);
    EXPECT_EQ(traceLines(), (std::vector<std::string>{
                                "===> INQUIRY <===\n",
                                "WriteData = 8 \n",
                                "Size to read = 10 \n",
                                "ReadData = 4 \n",
                                "0000: 1B A4 00 06 00 00 00 00 ....\r\n",
                            }));
}

TEST_F(InquiryTest, WrongSecondHeadByteFailsAndClearsMachineClass) {
    lpt.onRead(HexBytes("1B A5 00 06 50 E0 00 64 01 02"));
    EXPECT_EQ(Mfp_Inquiry(), 0);
    EXPECT_EQ(inquiryRecord.machineClass, 0);
}

TEST_F(InquiryTest, WrongFirstHeadByteOrNoAnswerFails) {
    lpt.onRead(HexBytes("1C A4 00 06 50 E0 00 64 01 02"));
    EXPECT_EQ(Mfp_Inquiry(), 0);
    inquiryRecord.machineClass = 2;
    EXPECT_EQ(Mfp_Inquiry(), 0); // nothing to read
    EXPECT_EQ(inquiryRecord.machineClass, 0);
    EXPECT_EQ(traceLines().back(), "ReadData = 0 \n");
}

TEST_F(InquiryTest, PortThatCannotBeOpenedLeavesMachineClassAlone) {
    lpt.setOpenable(false);
    EXPECT_EQ(Mfp_Inquiry(), 0);
    EXPECT_EQ(inquiryRecord.machineClass, 2);
    EXPECT_EQ(clock.slept(), 1500u);
    EXPECT_EQ(traceLines(), (std::vector<std::string>{
                                "Can not open the port: LPT1 \n",
                                "===> INQUIRY <===\n",
                                "WriteData = 0 \n",
                            }));
}

TEST_F(InquiryTest, ShortWriteFailsWithoutReading) {
    lpt.onWrite(7);
    lpt.onRead(HexBytes("1B A4 00 06 50 E0 00 64 01 05"));
    EXPECT_EQ(Mfp_Inquiry(), 0);
    EXPECT_EQ(inquiryRecord.machineClass, 2);
    EXPECT_TRUE(lpt.readSizes().empty());
    EXPECT_EQ(traceLines().back(), "WriteData = 7 \n");
}

TEST_F(InquiryTest, AnswersOfFiveToNineBytesWithAValidHeadSucceedWithClassZero) {
    ByteVector full = HexBytes("1B A4 00 06 50 E0 00 64 01 07");
    for (size_t n = 5; n <= 9; ++n) {
        inquiryRecord.machineClass = 2;
        lpt.onRead(ByteVector(full.begin(), full.begin() + static_cast<long>(n)));
        EXPECT_EQ(Mfp_Inquiry(), 1) << n;
        EXPECT_EQ(inquiryRecord.machineClass, 0) << n;
        EXPECT_EQ(traceLines().back(), "Length = 6 \n") << n;
    }
}

TEST_F(InquiryTest, ReadsNoMoreThanTenBytesAndLeavesTheRestQueued) {
    lpt.onRead(HexBytes("1B A4 00 08 50 E0 00 64 01 03 AA BB"));
    EXPECT_EQ(Mfp_Inquiry(), 1);
    EXPECT_EQ(inquiryRecord.machineClass, 3);
    EXPECT_EQ(lpt.queuedReads(), 1u);
}

} // namespace
