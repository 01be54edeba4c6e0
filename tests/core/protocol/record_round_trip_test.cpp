// Every record of the registry on the wire: its get request, waits and
// traces, the fields a machine's block fills, the set that sends it back,
// the start-up values a set sends, and the answers and writes that fail
// without touching the record. What one record does alone is in its own
// test file (or below, for the information record).
#include <algorithm>

#include "model/field_text.h"
#include "protocol/record_registry.h"
#include "record_test_fixture.h"

namespace {

struct RoundTrip {
    const char* name;
    uint8_t code;
    ByteVector machineBlock; // every field apart from its start-up value
    const char* fields;      // what the record then holds, as faxrcp-cli prints it
    std::vector<std::string> getTraces;
    int getDumpLines;
    ByteVector defaultBlock; // what a set sends from the start-up values
    std::vector<std::string> setTraces;
    int setDumpLines;
    uint32_t setWaitMs;
};

const RoundTrip kRoundTrips[] = {
    {"setup",
     0x41,
     {0x11, 0x22, 0x02, 0x33, 0x05, 0x09, 0x1E, 0x02, 0x00, 0x01, 0x2C,
      0x00, 0x02, 0x04, 0x00, 0x44, 0x07, 0x0F, 0x0D, 0x00, 0x00, 0x00},
     "reservedSetup0=17 reservedSetup1=34 trayPaperSize=A4 reservedSetup3=51 bypassPaperSize=A5 "
     "bypassPaperType=thin-paper discardSize=30 contrast=darken documentMode=text zoom=300 "
     "copies=2 printTimeOut=180-sec receiveMode=tel reservedSetup15=68 ringCount=7 "
     "redialInterval=15 redialCount=13 sendingConfirm=off autoJournal=off rxReduction=off",
     {"===> (Get Settings) SYSTEM SETUP <===\n", "WriteData = 9 \n", "Size to read = 32 \n",
      "ReadData = 32 \n", "Length = 28 \n"},
     4,
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x01, 0x01, 0x00, 0x64,
      0x00, 0x01, 0x01, 0x01, 0x09, 0x02, 0x03, 0x03, 0x02, 0x01, 0x01},
     {"===> SET SETTINGS <===\n", "WriteData = 31 \n"},
     4, // the 31 request bytes
     500},
    {"status",
     0x40,
     Concat({ToBytes("0123456789ABCDEFGHIJ"),
             ToBytes("OFFICE FAX"),
             Repeat(0x20, 10),
             {0x01, 0x05, 0x04, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0x01, 0x02, 0x03, 0x00, 0x00,
              0x00, 0x03, 0x15, 0x07, 0xD7, 0x16, 0x2D, 0x0B, 0x1E, 0x07, 0xD8, 0x06, 0x05},
             ToBytes("9"),
             Repeat(0x00, 4),
             {0x01, 0x01}}),
     "machineNumber=0123456789ABCDEFGHIJ machineId=OFFICE FAX clockMode=24-hour "
     "language=italian powerSave=30-minutes reservedStatus43=161,178,195,212,229 usbMode=fast "
     "speaker=com ringer=high keySound=off alarmSound=off tollSaver=off "
     "tollSaverStart=2007-03-21 22:45 tollSaverEnd=2008-11-30 06:05 prefixDial=9 "
     "stampReceiverName=on ecmMode=on",
     {"===> (Get Settings 2) SYSTEM STATUS <===\n", "WriteData = 9 \n", "Size to read = 83 \n",
      "ReadData = 83 \n", "Length = 79 \n"},
     11,
     Concat({Repeat(0x00, 40),
             {0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x01, 0x01},
             {0x0A, 0x0A, 0x07, 0xD2, 0x0A, 0x0A, 0x0A, 0x0A, 0x07, 0xD2, 0x0A, 0x0A},
             Repeat(0x00, 7)}),
     {"WriteData = 82 \n", "ReadData = 10 \n"}, // no banner and no dump
     0,
     1000},
    {"info",
     0x43,
     Concat({{0x37},
             {0x00, 0x00, 0x00, 0x05},
             {0x00, 0x01, 0x00, 0x00},
             {0x00, 0x00, 0x01, 0x2C},
             {0x00, 0x00, 0x00, 0x03},
             {0x00, 0x00, 0x00, 0x00},
             {0xFF, 0xFF, 0xFF, 0xFE},
             ToBytes("2.01A-BETA"),
             Concat({ToBytes("1.10"), Repeat(0x00, 6)}),
             Concat({ToBytes("ZEML 2.00  "), Repeat(0x00, 19)}),
             ToBytes("123456789012345678901234567890")}),
     "freeMemoryPercent=55 platenScanCount=5 adfScanCount=65536 printCount=300 "
     "tonerReplacedCount=3 adfJamCount=0 printJamCount=4294967294 firmwareVersion=2.01A-BETA "
     "engineVersion=1.10 emulationVersion=ZEML 2.00 extraText=123456789012345678901234567890",
     {"===> (Get Adv-Settings) SYSTEM STATUS <===\n", "WriteData = 9 \n", "Size to read = 115 \n",
      "ReadData = 115 \n", "Length = 111 \n"},
     15,
     {},
     {},
     0,
     0},
};

void PrintTo(const RoundTrip& row, std::ostream* out) {
    *out << row.name;
}

class RecordRoundTripTest : public RecordTest, public testing::WithParamInterface<RoundTrip> {
  protected:
    const RoundTrip& row() const { return GetParam(); }
    const RecordEntry& entry() const { return *FindRecord(row().name); }
    void* record() { return entry().record(panelContext.records); }
    ByteVector recordBytes() {
        const auto* p = static_cast<const uint8_t*>(record());
        return ByteVector(p, p + entry().descriptor.recordSize);
    }
    // 1B A4, the count, 50 E0 82, the operation and the record's code.
    ByteVector head(int count, uint8_t op) const {
        return {0x1B,
                0xA4,
                static_cast<uint8_t>(count >> 8),
                static_cast<uint8_t>(count),
                0x50,
                0xE0,
                0x82,
                op,
                row().code};
    }
    ByteVector answer() const {
        const int size = static_cast<int>(row().machineBlock.size());
        return Concat({head(size + 6, 0xC1), {0x00}, row().machineBlock});
    }
    std::string shown() {
        std::string text;
        for (const FieldDescriptor& f : entry().descriptor.fields) {
            text += (text.empty() ? "" : " ") + std::string(f.name) + "=" +
                    field_text::ShowValue(f, record());
        }
        return text;
    }
};

TEST_P(RecordRoundTripTest, GetFillsEveryFieldAndSetSendsItBack) {
    ASSERT_NE(FindRecord(row().name), nullptr);
    device->onRead(answer());
    const uint32_t start = clock.tick();
    ASSERT_EQ(entry().get(panelContext.link, panelContext.records), 1);
    EXPECT_EQ(clock.tick() - start, 1000u);
    EXPECT_EQ(device->written(), head(5, 0xC1));
    EXPECT_EQ(shown(), row().fields);
    EXPECT_EQ(plainTraces(), row().getTraces);
    EXPECT_EQ(dumpLines(), row().getDumpLines);
    if (!entry().Settable()) {
        return;
    }
    device->clearCalls();
    device->onRead(kWriteAck);
    ASSERT_EQ(entry().set(panelContext.link, panelContext.records), 1);
    const int count = static_cast<int>(row().machineBlock.size()) + 5;
    EXPECT_EQ(device->written(), Concat({head(count, 0xC2), row().machineBlock}));
}

TEST_P(RecordRoundTripTest, StartUpValuesTravelAsTheDocumentedBlock) {
    if (!entry().Settable()) {
        return;
    }
    device->onRead(kWriteAck);
    const uint32_t start = clock.tick();
    EXPECT_EQ(entry().set(panelContext.link, panelContext.records), 1);
    EXPECT_EQ(clock.tick() - start, row().setWaitMs);
    const int count = static_cast<int>(row().defaultBlock.size()) + 5;
    EXPECT_EQ(device->written(), Concat({head(count, 0xC2), row().defaultBlock}));
    EXPECT_EQ(plainTraces(), row().setTraces);
    EXPECT_EQ(dumpLines(), row().setDumpLines);
}

TEST_P(RecordRoundTripTest, FailedReadsLeaveTheRecordAsItWas) {
    const ByteVector whole = answer();
    const int count = static_cast<int>(whole.size()) - 4;
    const auto announcing = [&whole](int n) {
        return Concat({{0x1B, 0xA4, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)},
                       Slice(whole, 4, whole.size())});
    };
    const std::pair<const char*, ByteVector> answers[] = {
        {"announces zero", announcing(0)},
        {"cut short", Slice(whole, 0, 20)},
        {"announces less than the block", announcing(count - 8)},
    };
    for (const auto& [what, bytes] : answers) {
        SCOPED_TRACE(what);
        const ByteVector before = recordBytes();
        freshDevice();
        device->onRead(bytes);
        EXPECT_EQ(entry().get(panelContext.link, panelContext.records), 0);
        EXPECT_EQ(recordBytes(), before);
    }
}

// A request the port did not take whole reads no answer, and the get still
// waits its time.
TEST_P(RecordRoundTripTest, ShortRequestWritesReadNothing) {
    device->onWrite(8);
    device->onRead(answer());
    const ByteVector before = recordBytes();
    const uint32_t start = clock.tick();
    EXPECT_EQ(entry().get(panelContext.link, panelContext.records), 0);
    EXPECT_EQ(clock.tick() - start, 1000u);
    EXPECT_EQ(readCalls(), 0);
    EXPECT_EQ(recordBytes(), before);
    EXPECT_EQ(plainTraces().back(), "WriteData = 8 \n");
    if (!entry().Settable()) {
        return;
    }
    freshDevice();
    const int size = entry().descriptor.SetRequestSize() - 1;
    device->onWrite(size);
    device->onRead(kWriteAck);
    EXPECT_EQ(entry().set(panelContext.link, panelContext.records), 0);
    EXPECT_EQ(readCalls(), 0);
    EXPECT_EQ(plainTraces().back(), "WriteData = " + std::to_string(size) + " \n");
}

INSTANTIATE_TEST_SUITE_P(Registry, RecordRoundTripTest, testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

// Every record of the registry has its row.
TEST(RecordRoundTrips, CoverTheRegistry) {
    for (const RecordEntry& r : RecordRegistry()) {
        EXPECT_TRUE(std::any_of(std::begin(kRoundTrips), std::end(kRoundTrips),
                                [&r](const RoundTrip& t) { return t.name == std::string(r.name); }))
            << r.name;
    }
}

// The information record keeps its counters signed and its texts' blanks.
using MachineInfoTest = RecordTest;
TEST_F(MachineInfoTest, CountersStaySignedAndTextsKeepTheirBlanks) {
    const ByteVector& block = kRoundTrips[2].machineBlock;
    device->onRead(Concat({{0x1B, 0xA4, 0x00, 0x6F, 0x50, 0xE0, 0x82, 0xC1, 0x43, 0x00}, block}));
    ASSERT_EQ(Mfp_GetMachineInfo(panelContext.link, panelContext.records.machineInfo), 1);
    EXPECT_EQ(panelContext.records.machineInfo.printJamCount, -2);
    EXPECT_STREQ(panelContext.records.machineInfo.emulationVersion, "ZEML 2.00  ");
    EXPECT_STREQ(panelContext.records.machineInfo.firmwareVersion,
                 "2.01A-BETA"); // ten characters, terminated
}

} // namespace
