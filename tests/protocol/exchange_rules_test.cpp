// What every exchange does around its request: the machine's leftovers are
// dropped first, only a whole answer with the machine's head is taken, and
// the exchange ends by its time limit.
#include <algorithm>
#include <functional>

#include "protocol/record_table.h"
#include "record_test_fixture.h"

namespace {

const RecordDescriptor* const kRecords[] = {&kSetupRecord, &kStatusRecord, &kInfoRecord};

ByteVector TableBytes() {
    const auto* p = reinterpret_cast<const uint8_t*>(PhonebookTable);
    return ByteVector(p, p + kPhonebookEntrySize * phonebookSlotCount);
}

// The answer a healthy machine gives: head, the announced count, 50 E0 82
// C1 code 00, then a block of bytes unlike any default.
ByteVector WholeAnswer(const RecordDescriptor& d, int extra = 0) {
    const int count = d.AnswerNeed() - 4 + extra;
    ByteVector a = {0x1B,
                    0xA4,
                    static_cast<uint8_t>(count >> 8),
                    static_cast<uint8_t>(count),
                    0x50,
                    0xE0,
                    0x82,
                    0xC1,
                    d.code,
                    0x00};
    for (int i = 0; i < d.blockSize + extra; ++i) {
        a.push_back(static_cast<uint8_t>(0x31 + i % 7)); // digits: fit every kind of field
    }
    return a;
}

using ExchangeRulesTest = RecordTest;

TEST_F(ExchangeRulesTest, OnlyAWholeAnswerWithTheMachinesHeadFillsARecord) {
    struct Case {
        const char* what;
        std::function<ByteVector(const RecordDescriptor&)> answer;
        bool taken;
    };
    const Case cases[] = {
        {"whole", [](const auto& d) { return WholeAnswer(d); }, true},
        {"other bytes 4..9",
         [](const auto& d) {
             ByteVector a = WholeAnswer(d);
             std::fill(a.begin() + 4, a.begin() + 10, 0xEE);
             return a;
         },
         true},
        {"first head byte wrong",
         [](const auto& d) {
             ByteVector a = WholeAnswer(d);
             a[0] = 0x1C;
             return a;
         },
         false},
        {"second head byte wrong",
         [](const auto& d) {
             ByteVector a = WholeAnswer(d);
             a[1] = 0xA5;
             return a;
         },
         false},
        {"announces one byte short of the block",
         [](const auto& d) {
             ByteVector a = WholeAnswer(d);
             a[3] = static_cast<uint8_t>(a[3] - 1);
             return a;
         },
         false},
        {"the head alone", [](const auto& d) { return Slice(WholeAnswer(d), 0, 4); }, false},
        {"cut one byte short",
         [](const auto& d) {
             const ByteVector a = WholeAnswer(d);
             return Slice(a, 0, a.size() - 1);
         },
         false},
    };
    for (const RecordDescriptor* d : kRecords) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << "record " << int{d->code} << ", " << c.what);
            freshDevice();
            std::vector<uint8_t> record(d->recordSize, 0xA5);
            const std::vector<uint8_t> before = record;
            const ByteVector answer = c.answer(*d);
            device->onRead(answer);
            EXPECT_EQ(GetRecord(*d, record.data()), c.taken ? 1 : 0);
            if (c.taken) {
                std::vector<uint8_t> want(d->recordSize, 0xA5);
                DecodeFields(*d, answer.data() + frame::kDataOffset, want.data());
                EXPECT_EQ(record, want);
            } else {
                EXPECT_EQ(record, before);
            }
        }
    }
}

TEST_F(ExchangeRulesTest, AnAnswerLongerThanTheBufferIsTakenAndItsRestDroppedNextTime) {
    for (const RecordDescriptor* d : kRecords) {
        SCOPED_TRACE(int{d->code});
        freshDevice();
        clearTrace();
        std::vector<uint8_t> record(d->recordSize);
        device->onRead(WholeAnswer(*d, 40)).onRead(WholeAnswer(*d));
        EXPECT_EQ(GetRecord(*d, record.data()), 1);
        EXPECT_EQ(GetRecord(*d, record.data()), 1);
        const auto traces = plainTraces();
        EXPECT_EQ(std::count(traces.begin(), traces.end(), "Discarded = 40 \n"), 1);
        EXPECT_EQ(device->queuedReads(), 0u);
        // Both requests went out; the rest was never read as an answer.
        EXPECT_EQ(device->readSizes(), std::vector<size_t>(2, d->get.answerSize));
    }
}

TEST_F(ExchangeRulesTest, ALateAnswerIsDroppedBeforeEveryCommandsRequest) {
    const ByteVector lateSettings = WholeAnswer(kSetupRecord);
    const ByteVector statusAnswer = WholeAnswer(kStatusRecord);
    const ByteVector acknowledgement = HexBytes("1B A4 00 06 50 E0 82 C2 42 00");
    ByteVector phonebookAnswer = {0x1B, 0xA4, 0x1A, 0xFB, 0x50, 0xE0, 0x82, 0xC1, 0x42, 0x00, 100};
    for (int i = 0; i < 100; ++i) {
        ByteVector r(69, 0x20);
        r[0] = static_cast<uint8_t>(i + 1);
        r[1] = r[2] = 0;
        phonebookAnswer.insert(phonebookAnswer.end(), r.begin(), r.end());
    }
    const struct {
        const char* what;
        int (*command)();
        std::vector<ByteVector> answer;
    } commands[] = {
        {"inquiry", Mfp_Inquiry, {HexBytes("1B A4 00 06 50 E0 00 64 01 02")}},
        {"get status", Mfp_GetSystemStatus, {statusAnswer}},
        {"set status", Mfp_SetSystemStatus, {acknowledgement}},
        {"get phonebook",
         Mfp_GetPhonebook,
         {Slice(phonebookAnswer, 0, 11), Slice(phonebookAnswer, 11, 6911)}},
        {"set phonebook", Mfp_SetPhonebook, {acknowledgement}},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.what);
        freshDevice();
        clearTrace();
        device->onHeld(lateSettings);
        for (const ByteVector& part : c.answer) {
            device->onRead(part);
        }
        const ByteVector statusBefore = RawBytes(systemStatus);
        EXPECT_EQ(c.command(), 1);
        // Dropped before the request went out, and said so.
        const auto traces = plainTraces();
        const auto dropped = std::find(traces.begin(), traces.end(), "Discarded = 32 \n");
        const auto written = std::find_if(traces.begin(), traces.end(), [](const std::string& l) {
            return l.rfind("WriteData", 0) == 0;
        });
        EXPECT_LT(dropped, written);
        EXPECT_EQ(device->queuedReads(), 0u);
        // The drain came before the request went out.
        const auto kinds = device->kinds();
        const auto firstRead = std::find(kinds.begin(), kinds.end(), FakeDeviceCall::Kind::Read);
        const auto firstWrite = std::find(kinds.begin(), kinds.end(), FakeDeviceCall::Kind::Write);
        EXPECT_LT(firstRead, firstWrite);
        if (c.command == Mfp_GetSystemStatus) {
            EXPECT_NE(RawBytes(systemStatus), statusBefore);
            EXPECT_EQ(systemStatus.machineNumber[0], 0x31); // the status block's own bytes
        }
    }
}

TEST_F(ExchangeRulesTest, PhonebookAnswersAndAcknowledgementsNeedTheMachinesHead) {
    ByteVector answer = {0x1B, 0xA4, 0x00, 0x4C, 0x50, 0xE0, 0x82, 0xC1, 0x42, 0x00, 1};
    ByteVector record(69, 0x20);
    record[0] = 5;
    record[1] = record[2] = 0;
    std::copy_n("NEW", 3, record.begin() + 3);
    answer.insert(answer.end(), record.begin(), record.end());

    for (const auto& [what, patch, taken] :
         std::vector<std::tuple<const char*, int, bool>>{{"wrong head", 1, false},
                                                         {"count short of the record", 3, false},
                                                         {"whole", -1, true}}) {
        SCOPED_TRACE(what);
        freshDevice();
        ByteVector a = answer;
        if (patch == 1) {
            a[1] = 0xA5;
        } else if (patch == 3) {
            a[3] = 0x40;
        }
        device->onRead(Slice(a, 0, 11)).onRead(Slice(a, 11, a.size()));
        EXPECT_EQ(Mfp_GetPhonebook(), taken ? 1 : 0);
        EXPECT_EQ(std::string(PhonebookTable[4].name), taken ? "NEW" : "");
    }

    for (const auto& [what, ack, ok] : std::vector<std::tuple<const char*, ByteVector, bool>>{
             {"wrong head", HexBytes("1B A5 00 06 50 E0 82 C2 42 00"), false},
             {"one byte", HexBytes("1B"), false},
             {"the machine's", HexBytes("1B A4 00 06 50 E0 82 C2 42 00"), true}}) {
        SCOPED_TRACE(what);
        freshDevice();
        device->onRead(ack);
        EXPECT_EQ(Mfp_SetPhonebook(), ok ? 1 : 0);
    }
}

// The machine behind the USB library, sending its answer a byte every
// msPerByte on the virtual clock; it gives up at a read's limit as the
// library does.
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
           trickle.clock->tick() - start < static_cast<uint32_t>(withinMs)) {
        trickle.clock->advance(trickle.msPerByte);
        buffer[got++] = trickle.answer[trickle.at++];
    }
    return got;
}

TEST_F(ExchangeRulesTest, APhonebookTricklingInEndsAtTheExchangesLimit) {
    UseUsbDevice("fake:records");
    isNt5 = 1;
    pWin2kUsbReadWithin = TrickleRead;
    ByteVector answer = {0x1B, 0xA4, 0x1A, 0xFB, 0x50, 0xE0, 0x82, 0xC1, 0x42, 0x00, 100};
    for (int i = 0; i < 100; ++i) {
        ByteVector r(69, 0x41);
        r[0] = static_cast<uint8_t>(i + 1);
        r[1] = r[2] = 0;
        answer.insert(answer.end(), r.begin(), r.end());
    }
    // Fixed waits 3 s, four reads that may wait 5 s each, 6921 bytes at 1 ms.
    const uint32_t limit = 3000 + 4 * kFirstByteAllowanceMs + 6921 * kMsPerByte;

    const ByteVector table = TableBytes();
    for (uint32_t msPerByte : {150u, 1u, 0u}) {
        SCOPED_TRACE(msPerByte);
        trickle = TricklingMachine{answer, 0, msPerByte, &clock};
        const uint32_t start = clock.tick();
        const int result = Mfp_GetPhonebook();
        const uint32_t took = clock.tick() - start;
        if (msPerByte == 150) {
            // Cut off at the limit; only the two retries' pauses come after it.
            EXPECT_EQ(result, 0);
            EXPECT_GE(took, limit);
            EXPECT_LE(took, limit + 1000 + msPerByte);
            EXPECT_EQ(TableBytes(), table);
            const auto traces = plainTraces();
            EXPECT_EQ(std::count(traces.begin(), traces.end(), "Exchange time is up \n"), 2);
        } else {
            // A machine at 1 KB a second is slow but healthy.
            EXPECT_EQ(result, 1);
            EXPECT_LT(took, limit);
            EXPECT_EQ(PhonebookTable[0].name[0], 'A');
        }
    }
}

} // namespace
