// The hexadecimal dump of answers.
#include <string>
#include <vector>

#include "protocol/exchange.h"
#include "support/bytes.h"
#include "support/platform_fixture.h"

namespace {

class HexDumpTest : public PlatformTest {};

TEST_F(HexDumpTest, InquiryAnswerGivesTwoLinesWithFillersAndDots) {
    ByteVector answer = HexBytes("1B A4 00 06 41 42 00 00 00 02");
    HexDump(answer.data(), static_cast<int32_t>(answer.size()));
    // "%#04x" prints a zero offset without its "0x" prefix.
    EXPECT_EQ(traceLines(), (std::vector<std::string>{
                                 "0000: 1B A4 00 06 41 42 00 00 ....AB..\r\n",
                                 "0x08: 00 02 00 00 00 00 00 00 ..\r\n",
                             }));
}

TEST_F(HexDumpTest, PrintableRangeIsSpaceToTilde) {
    ByteVector bytes = Bytes({0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF, 0x30, 0x7A, 0x41});
    HexDump(bytes.data(), static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(traceLines(), (std::vector<std::string>{
                                 "0000: 1F 20 7E 7F 80 FF 30 7A . ~...0z\r\n",
                                 "0x08: 41 00 00 00 00 00 00 00 A\r\n",
                             }));
}

TEST_F(HexDumpTest, OffsetsPastOneByteKeepTheirWidth) {
    ByteVector bytes(0x108, 0x41);
    HexDump(bytes.data(), static_cast<int32_t>(bytes.size()));
    ASSERT_EQ(traceLines().size(), 0x21u);
    EXPECT_EQ(traceLines()[2], "0x10: 41 41 41 41 41 41 41 41 AAAAAAAA\r\n");
    EXPECT_EQ(traceLines()[0x20], "0x100: 41 41 41 41 41 41 41 41 AAAAAAAA\r\n");
}

TEST_F(HexDumpTest, EmptyOrNegativeCountWritesNothing) {
    uint8_t byte = 0x41;
    HexDump(&byte, 0);
    HexDump(&byte, -5);
    HexDump(nullptr, 4);
    EXPECT_TRUE(traceLines().empty());
}

TEST_F(HexDumpTest, ExactMultipleOfEightHasNoFillerLine) {
    ByteVector bytes = HexBytes("30 31 32 33 34 35 36 37");
    HexDump(bytes.data(), 8);
    EXPECT_EQ(traceLines(),
              (std::vector<std::string>{"0000: 30 31 32 33 34 35 36 37 01234567\r\n"}));
}

} // namespace
