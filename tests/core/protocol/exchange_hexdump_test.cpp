// The hexadecimal dump of answers.
#include <string>
#include <vector>

#include "protocol/exchange.h"
#include "support/core/context_fixture.h"
#include "support/platform/bytes.h"

namespace {

using Lines = std::vector<std::string>;

class HexDumpTest : public ContextTest {};

TEST_F(HexDumpTest, LinesOfEightBytesWithFillersAndPrintableCharacters) {
    const struct {
        const char* bytes;
        Lines lines;
    } cases[] = {
        // "%#04x" prints a zero offset without its "0x" prefix.
        {"1B A4 00 06 41 42 00 00 00 02",
         {"0000: 1B A4 00 06 41 42 00 00 ....AB..\r\n", "0x08: 00 02 00 00 00 00 00 00 ..\r\n"}},
        // Printable is space to tilde.
        {"1F 20 7E 7F 80 FF 30 7A 41",
         {"0000: 1F 20 7E 7F 80 FF 30 7A . ~...0z\r\n", "0x08: 41 00 00 00 00 00 00 00 A\r\n"}},
        // An exact multiple of eight has no filler line.
        {"30 31 32 33 34 35 36 37", {"0000: 30 31 32 33 34 35 36 37 01234567\r\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        clearTrace();
        ByteVector bytes = HexBytes(c.bytes);
        HexDump(bytes.data(), static_cast<int32_t>(bytes.size()));
        EXPECT_EQ(traceLines(), c.lines);
    }
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

} // namespace
