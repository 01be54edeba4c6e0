// Which answers a record get takes, and the time limit of one exchange. The
// drain before every command's request is tried in the fault matrix.
#include <algorithm>

#include "protocol/record_registry.h"
#include "protocol/record_table.h"
#include "record_test_fixture.h"

namespace {

// A healthy answer: head, count, 50 E0 82 C1 code 00, a block of digits
// (they fit every kind of field), and extra bytes beyond the block.
ByteVector WholeAnswer(const RecordDescriptor& d, int extra = 0) {
    const int count = d.AnswerNeed() - 4 + extra;
    ByteVector a = {0x1B,   0xA4, uint8_t(count >> 8), uint8_t(count), 0x50, 0xE0, 0x82, 0xC1,
                    d.code, 0x00};
    for (int i = 0; i < d.blockSize + extra; ++i) {
        a.push_back(uint8_t(0x31 + i % 7));
    }
    return a;
}

using ExchangeRulesTest = RecordTest;

TEST_F(ExchangeRulesTest, OnlyAWholeAnswerWithTheMachinesHeadFillsARecord) {
    // Each case changes one byte of a whole answer (-1: none), then cuts it.
    const struct {
        const char* what;
        int at;
        int delta;
        int cut; // bytes taken off the end
        bool taken;
    } cases[] = {
        {"whole", -1, 0, 0, true},
        {"other bytes 4..9", 6, 0x33, 0, true},
        {"first head byte", 0, 1, 0, false},
        {"second head byte", 1, 1, 0, false},
        {"count one short of the block", 3, -1, 0, false},
        {"cut one byte short", -1, 0, 1, false},
    };
    for (const RecordEntry& r : RecordRegistry()) {
        const RecordDescriptor* d = &r.descriptor;
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << int{d->code} << ", " << c.what);
            freshDevice();
            ByteVector answer = WholeAnswer(*d);
            if (c.at >= 0) {
                answer[size_t(c.at)] = uint8_t(answer[size_t(c.at)] + c.delta);
            }
            answer.resize(answer.size() - size_t(c.cut));
            device->onRead(answer);
            std::vector<uint8_t> record(d->recordSize, 0xA5), want = record;
            EXPECT_EQ(GetRecord(panelContext.link, *d, record.data()), c.taken ? 1 : 0);
            if (c.taken) {
                DecodeFields(*d, answer.data() + frame::kDataOffset, want.data());
            }
            EXPECT_EQ(record, want);
        }
        // Four bytes announcing the whole block were once an empty success.
        freshDevice();
        device->onRead(Slice(WholeAnswer(*d), 0, 4));
        std::vector<uint8_t> record(d->recordSize);
        EXPECT_EQ(GetRecord(panelContext.link, *d, record.data()), 0);
    }
}

// The setup answer must be exactly its announced length.
TEST_F(ExchangeRulesTest, AnAnswerLongerThanTheBufferIsTakenAndItsRestDroppedNextTime) {
    for (const RecordDescriptor* d : {&kStatusRecord, &kInfoRecord}) {
        SCOPED_TRACE(int{d->code});
        freshDevice();
        clearTrace();
        std::vector<uint8_t> record(d->recordSize);
        device->onRead(WholeAnswer(*d, 40)).onRead(WholeAnswer(*d));
        EXPECT_EQ(GetRecord(panelContext.link, *d, record.data()), 1);
        EXPECT_EQ(GetRecord(panelContext.link, *d, record.data()), 1);
        const auto traces = plainTraces();
        EXPECT_EQ(std::count(traces.begin(), traces.end(), "Discarded = 40 \n"), 1);
        EXPECT_EQ(device->queuedReads(), 0u);
    }
}

// The machine behind the USB library sends its answer a byte every msPerByte
// on the virtual clock, and gives up at a read's limit as the library does.
struct TricklingMachine {
    ByteVector answer;
    size_t at = 0;
    uint32_t msPerByte = 0;
    platform::VirtualClock* clock = nullptr;
};
TricklingMachine trickle;

int TrickleRead(unsigned char* buffer, int count, int withinMs) {
    const uint32_t start = trickle.clock->tick();
    int got = 0;
    while (withinMs > 0 && got < count && trickle.at < trickle.answer.size() &&
           trickle.clock->tick() - start < uint32_t(withinMs)) {
        trickle.clock->advance(trickle.msPerByte);
        buffer[got++] = trickle.answer[trickle.at++];
    }
    return got;
}

TEST_F(ExchangeRulesTest, APhonebookTricklingInEndsAtTheExchangesLimit) {
    panelContext.link.isNt5 = 1;
    panelContext.link.pWin2kUsbReadWithin = TrickleRead;
    ByteVector answer = {0x1B, 0xA4, 0x1A, 0xFB, 0x50, 0xE0, 0x82, 0xC1, 0x42, 0x00, 100};
    for (int i = 0; i < 100; ++i) {
        answer.push_back(uint8_t(i + 1));
        answer.insert(answer.end(), {0, 0});
        answer.insert(answer.end(), 66, 0x41);
    }
    // Fixed waits 3 s, four reads that may wait 5 s each, 6921 bytes at 1 ms.
    const uint32_t limit = 3000 + 4 * kFirstByteAllowanceMs + 6921 * kMsPerByte;
    const ByteVector table = RawBytes(*panelContext.records.phonebookTable);

    // 150 ms a byte: cut off at the limit; only the retries' pauses follow.
    trickle = TricklingMachine{answer, 0, 150, &clock};
    uint32_t start = clock.tick();
    EXPECT_EQ(Mfp_GetPhonebook(panelContext.link, panelContext.records), 0);
    EXPECT_GE(clock.tick() - start, limit);
    EXPECT_LE(clock.tick() - start, limit + 1000 + 150);
    EXPECT_EQ(RawBytes(*panelContext.records.phonebookTable), table);

    // 1 ms a byte is slow, but healthy.
    trickle = TricklingMachine{answer, 0, 1, &clock};
    start = clock.tick();
    EXPECT_EQ(Mfp_GetPhonebook(panelContext.link, panelContext.records), 1);
    EXPECT_LT(clock.tick() - start, limit);
    EXPECT_EQ(panelContext.records.phonebookTable[0].name[0], 'A');
}

} // namespace
