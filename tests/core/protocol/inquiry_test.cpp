// The inquiry: request, pause, answer checks and machineClass.
#include <string>
#include <vector>

#include "link/port.h"
#include "model/panel_context.h"
#include "protocol/inquiry.h"
#include "support/core/context_fixture.h"
#include "support/platform/fake_device.h"

namespace {

const ByteVector kRequest = HexBytes("1B A4 00 04 50 E0 82 C0");

class InquiryTest : public ContextTest {
  protected:
    void SetUp() override {
        ContextTest::SetUp();
        panelContext.link.currentPort = 1;
    }
    FakeDevice lpt{"LPT1"};
};

TEST_F(InquiryTest, ValidAnswerSetsMachineClassFromByte9) {
    lpt.onRead(HexBytes("1B A4 00 06 50 E0 00 64 01 07"));
    EXPECT_EQ(Mfp_Inquiry(panelContext.link, panelContext.records.inquiryRecord), 1);
    EXPECT_EQ(panelContext.records.inquiryRecord.machineClass, 7);
    EXPECT_EQ(panelContext.records.inquiryRecord.capacityA, 0);
    EXPECT_EQ(panelContext.records.inquiryRecord.capacityB, 100);
    EXPECT_EQ(panelContext.records.inquiryRecord.reserved, 1);
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

TEST_F(InquiryTest, AnswerOfFourBytesFailsAndClearsMachineClass) {
    lpt.onRead(HexBytes("1B A4 00 06"));
    EXPECT_EQ(Mfp_Inquiry(panelContext.link, panelContext.records.inquiryRecord), 0);
    EXPECT_EQ(panelContext.records.inquiryRecord.machineClass, 0);
    EXPECT_EQ(traceLines(), (std::vector<std::string>{
                                "===> INQUIRY <===\n",
                                "WriteData = 8 \n",
                                "Size to read = 10 \n",
                                "ReadData = 4 \n",
                                "0000: 1B A4 00 06 00 00 00 00 ....\r\n",
                            }));
}

TEST_F(InquiryTest, AnswerHeadAndSizeDecideAndTheLengthIsReadBigEndian) {
    const struct {
        const char* answer;
        int result, machineClass;
        const char* lastTrace;
    } cases[] = {
        {"1B A4 01 02 50 E0 00 64 01 02", 1, 2, "Length = 258 \n"},
        {"1B A5 00 06 50 E0 00 64 01 02", 0, 0, "0x08: 01 02 00 00 00 00 00 00 ..\r\n"},
        {"1C A4 00 06 50 E0 00 64 01 02", 0, 0, "0x08: 01 02 00 00 00 00 00 00 ..\r\n"},
        {"", 0, 0, "ReadData = 0 \n"}, // nothing to read
        // Five to nine bytes lack the class byte: they fail, though their
        // length is traced.
        {"1B A4 00 06 50", 0, 0, "Length = 6 \n"},
        {"1B A4 00 06 50 E0", 0, 0, "Length = 6 \n"},
        {"1B A4 00 06 50 E0 00", 0, 0, "Length = 6 \n"},
        {"1B A4 00 06 50 E0 00 64", 0, 0, "Length = 6 \n"},
        {"1B A4 00 06 50 E0 00 64 01", 0, 0, "Length = 6 \n"},
        // Ten bytes that announce fewer are not the machine's answer.
        {"1B A4 00 05 50 E0 00 64 01 02", 0, 0, "Length = 5 \n"},
        // No more than ten bytes are read; the rest stays queued.
        {"1B A4 00 08 50 E0 00 64 01 03 AA BB", 1, 3, "Length = 8 \n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        panelContext.records.inquiryRecord.machineClass = 5;
        lpt.onRead(HexBytes(c.answer));
        EXPECT_EQ(Mfp_Inquiry(panelContext.link, panelContext.records.inquiryRecord), c.result);
        EXPECT_EQ(panelContext.records.inquiryRecord.machineClass, c.machineClass);
        EXPECT_EQ(traceLines().back(), c.lastTrace);
    }
    EXPECT_EQ(lpt.queuedReads(), 1u);
}

TEST_F(InquiryTest, PortThatCannotBeOpenedLeavesMachineClassAlone) {
    lpt.setOpenable(false);
    EXPECT_EQ(Mfp_Inquiry(panelContext.link, panelContext.records.inquiryRecord), 0);
    EXPECT_EQ(panelContext.records.inquiryRecord.machineClass, 2);
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
    EXPECT_EQ(Mfp_Inquiry(panelContext.link, panelContext.records.inquiryRecord), 0);
    EXPECT_EQ(panelContext.records.inquiryRecord.machineClass, 2);
    EXPECT_TRUE(lpt.readSizes().empty());
    EXPECT_EQ(traceLines().back(), "WriteData = 7 \n");
}

} // namespace
