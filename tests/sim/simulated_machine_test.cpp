#include "sim/simulated_machine.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/virtual_clock.h"
#include "sim_test_util.h"

using namespace simtest;

namespace {

class MachineTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::InstallClock(&clock); }
    void TearDown() override { platform::InstallClock(nullptr); }

    long Write(const Bytes& b) { return machine.write(b.data(), b.size()); }
    Bytes Read(size_t max) {
        Bytes b(max);
        const long n = machine.read(b.data(), max);
        b.resize(n > 0 ? size_t(n) : 0);
        return b;
    }
    Bytes Exchange(const Bytes& request, size_t max) {
        EXPECT_EQ(Write(request), long(request.size()));
        return Read(max);
    }

    platform::VirtualClock clock{5000};
    sim::SimulatedMachine machine;
};

// --- parsing ---------------------------------------------------------------

TEST_F(MachineTest, InquiryAnswerCarriesCapacitiesAndMachineClass) {
    EXPECT_EQ(Exchange(kInquiry, 10), H("1B A4 00 06 50 E0 00 64 01 02"));
    machine.setMachineClass(5);
    machine.setCapacities(6, 50);
    EXPECT_EQ(Exchange(kInquiry, 10), H("1B A4 00 06 50 E0 06 32 01 05"));
}

TEST_F(MachineTest, RequestSplitOverManyWritesIsAnsweredOnlyWhenWhole) {
    for (size_t i = 0; i + 1 < kGetSetup.size(); ++i) {
        EXPECT_EQ(machine.write(&kGetSetup[i], 1), 1);
        EXPECT_EQ(machine.queuedAnswerBytes(), 0u) << "after byte " << i;
    }
    EXPECT_EQ(machine.write(&kGetSetup.back(), 1), 1);
    EXPECT_EQ(Read(100).size(), 32u);
}

TEST_F(MachineTest, SeveralRequestsInOneWriteAreAnsweredInOrder) {
    const Bytes both = Cat(Cat(kInquiry, kGetSetup), kGetInfo);
    EXPECT_EQ(Write(both), long(both.size()));
    const Bytes answers = Read(1000);
    ASSERT_EQ(answers.size(), 10u + 32u + 115u);
    EXPECT_EQ(answers[9], 2);
    EXPECT_EQ(Bytes(answers.begin() + 10, answers.begin() + 14), H("1B A4 00 1C"));
    EXPECT_EQ(Bytes(answers.begin() + 42, answers.begin() + 46), H("1B A4 00 6F"));
    ASSERT_EQ(machine.commandLog().size(), 3u);
    EXPECT_EQ(machine.commandLog()[2], sim::Command::GetInfo);
}

TEST_F(MachineTest, NoiseAndBrokenFramesAreSkipped) {
    // Noise, a frame with a bad command byte, a head cut short, then a request.
    const Bytes stream = Cat(H("00 FF 41 1B 1B A4 00 04 51 1B A4 00"), kInquiry);
    EXPECT_EQ(Write(stream), long(stream.size()));
    EXPECT_EQ(Read(10), H("1B A4 00 06 50 E0 00 64 01 02"));
    EXPECT_GT(machine.skippedBytes(), 0u);
    ASSERT_EQ(machine.commandLog().size(), 1u);
}

TEST_F(MachineTest, HalfRequestFollowedByAWholeOneStillGetsItsAnswer) {
    EXPECT_EQ(Write(H("1B A4 00 04")), 4);
    EXPECT_EQ(Exchange(kInquiry, 10).size(), 10u);
    EXPECT_EQ(machine.queuedAnswerBytes(), 0u);
}

TEST_F(MachineTest, HalfRequestLeftAloneIsDroppedBeforeTheNextOne) {
    // Eight of nine bytes: the next request's first byte would complete it.
    EXPECT_EQ(Write(Bytes(kGetSetup.begin(), kGetSetup.end() - 1)), 8);
    clock.advance(sim::kStaleRequestMs);
    EXPECT_EQ(Exchange(kInquiry, 100), H("1B A4 00 06 50 E0 00 64 01 02"));
    EXPECT_EQ(machine.commandLog(), std::vector<sim::Command>{sim::Command::Inquiry});
}

TEST_F(MachineTest, HalfRequestGrowingWithPausesIsKept) {
    machine.setFault(sim::Command::GetSetup, sim::Fault{.acceptWriteBytes = 0, .times = 1});
    EXPECT_EQ(Write(Bytes(kGetSetup.begin(), kGetSetup.begin() + 4)), 4);
    clock.advance(sim::kStaleRequestMs - 1);
    EXPECT_EQ(Write(Bytes(kGetSetup.begin() + 4, kGetSetup.end())), 0); // refused, but heard
    clock.advance(sim::kStaleRequestMs - 1);
    EXPECT_EQ(Write(Bytes(kGetSetup.begin() + 4, kGetSetup.end())), 5);
    EXPECT_EQ(Read(100).size(), 32u);
}

TEST_F(MachineTest, RandomBytesNeverBreakTheMachine) {
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    Bytes buf(70000);
    for (int round = 0; round < 2000; ++round) {
        const size_t n = next() % 300;
        Bytes chunk(n);
        for (auto& b : chunk) {
            // Mostly frame-like bytes, so that the parser goes deep.
            const uint32_t r = next() % 8;
            b = r == 0 ? 0x1B : r == 1 ? 0xA4 : r == 2 ? 0xA5 : uint8_t(next());
        }
        const long w = Write(chunk);
        EXPECT_GE(w, 0);
        EXPECT_LE(w, long(n));
        machine.read(buf.data(), next() % buf.size());
        clock.advance(next() % 50);
    }
    clock.advance(sim::kFirmwareNoDataMs + sim::kFirmwareIdleMs);
    Read(100000);
    EXPECT_EQ(Exchange(kInquiry, 10).size(), 10u);
}

TEST_F(MachineTest, UnknownFrameIsLoggedButNotAnswered) {
    const Bytes unknown = H("1B A4 00 05 50 E0 82 C2 43");
    EXPECT_EQ(Exchange(unknown, 10).size(), 0u);
    ASSERT_EQ(machine.requestLog().size(), 1u);
    EXPECT_EQ(machine.requestLog()[0], unknown);
    EXPECT_TRUE(machine.commandLog().empty());
}

TEST_F(MachineTest, UnreadAnswerBytesStayQueued) {
    Write(kInquiry);
    Write(kInquiry);
    EXPECT_EQ(Read(4), H("1B A4 00 06"));
    EXPECT_EQ(machine.queuedAnswerBytes(), 16u);
    EXPECT_EQ(Read(12), H("50 E0 00 64 01 02 1B A4 00 06 50 E0"));
    EXPECT_EQ(Read(100), H("00 64 01 02"));
    EXPECT_EQ(Read(100).size(), 0u);
}

// --- records ----------------------------------------------------------------

TEST_F(MachineTest, RecordAnswersHaveTheirLengthsAndBlocks) {
    const Bytes setup = Exchange(kGetSetup, 100);
    ASSERT_EQ(setup.size(), 32u);
    EXPECT_EQ(Bytes(setup.begin(), setup.begin() + 10), H("1B A4 00 1C 50 E0 82 C1 41 00"));
    const sim::SetupBlock sb = machine.setupBlock();
    EXPECT_EQ(Bytes(setup.begin() + 10, setup.end()), Bytes(sb.begin(), sb.end()));

    const Bytes status = Exchange(kGetStatus, 100);
    ASSERT_EQ(status.size(), 83u);
    EXPECT_EQ(Bytes(status.begin(), status.begin() + 4), H("1B A4 00 4F"));
    const sim::StatusBlock st = machine.statusBlock();
    EXPECT_EQ(Bytes(status.begin() + 10, status.end()), Bytes(st.begin(), st.end()));

    const Bytes info = Exchange(kGetInfo, 200);
    ASSERT_EQ(info.size(), 115u);
    EXPECT_EQ(Bytes(info.begin(), info.begin() + 4), H("1B A4 00 6F"));
    const sim::InfoBlock ib = machine.infoBlock();
    EXPECT_EQ(Bytes(info.begin() + 10, info.end()), Bytes(ib.begin(), ib.end()));
}

TEST_F(MachineTest, DefaultStateIsAPlausibleMachine) {
    const sim::SetupBlock s = machine.setupBlock();
    EXPECT_EQ((s[9] << 8) | s[10], 100); // zoom
    EXPECT_EQ((s[11] << 8) | s[12], 1);  // copies
    const sim::StatusBlock st = machine.statusBlock();
    EXPECT_EQ((st[56] << 8) | st[57], 2004); // toll-saver start year
    EXPECT_LE(st[54], 12);
    const sim::InfoBlock info = machine.infoBlock();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&info[25])), "2.05");
    EXPECT_EQ(machine.slotName(0), "Office");
    EXPECT_EQ(machine.slotNumber(0), "5550100");
    EXPECT_EQ(machine.slotKind(10), 1);
    EXPECT_EQ(machine.slotMark(0), 1);
    EXPECT_EQ(machine.slotMark(2), 0);
}

TEST_F(MachineTest, SetRequestsTakeTheBlockAndAreAcknowledged) {
    Bytes block(22);
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = uint8_t(i + 1);
    }
    EXPECT_EQ(Exchange(Cat(H("1B A4 00 1B 50 E0 82 C2 41"), block), 100),
              H("1B A4 00 06 50 E0 82 C2 41 00"));
    const sim::SetupBlock sb = machine.setupBlock();
    EXPECT_EQ(Bytes(sb.begin(), sb.end()), block);

    Bytes status(73, 0x33);
    EXPECT_EQ(Exchange(Cat(H("1B A4 00 4E 50 E0 82 C2 40"), status), 100),
              H("1B A4 00 06 50 E0 82 C2 40 00"));
    const sim::StatusBlock st = machine.statusBlock();
    EXPECT_EQ(Bytes(st.begin(), st.end()), status);
}

TEST_F(MachineTest, SetWithAShortBlockLeavesTheRecordAlone) {
    const sim::SetupBlock before = machine.setupBlock();
    EXPECT_EQ(Exchange(H("1B A4 00 07 50 E0 82 C2 41 01 02 03"), 100).size(), 10u);
    EXPECT_EQ(machine.setupBlock(), before);
}

TEST_F(MachineTest, PhonebookAnswerHasHeadAndOneBlankPaddedRecordPerSlot) {
    const Bytes a = Exchange(kGetPhonebook, 10000);
    ASSERT_EQ(a.size(), 11u + 69u * 100u);
    EXPECT_EQ(Bytes(a.begin(), a.begin() + 11), H("1B A4 1A FB 50 E0 82 C1 42 00 64"));
    // Slot 1: "Office" 5550100, a member of the group in slot 11.
    const Bytes r1(a.begin() + 11, a.begin() + 80);
    EXPECT_EQ(r1[0], 1);
    EXPECT_EQ(r1[1], 0);
    EXPECT_EQ(r1[2], 1);
    EXPECT_EQ(std::string(r1.begin() + 3, r1.begin() + 23), "Office              ");
    EXPECT_EQ(std::string(r1.begin() + 23, r1.begin() + 30), "5550100");
    EXPECT_EQ(r1[30], ' ');
    EXPECT_EQ(r1[68], ' ');
    // Slot 11: the group, members travel raw.
    const Bytes g(a.begin() + 11 + 69 * 10, a.begin() + 11 + 69 * 11);
    EXPECT_EQ(g[0], 11);
    EXPECT_EQ(g[1], 1);
    EXPECT_EQ(g[23], 0xC8);
    EXPECT_EQ(g[24], 0x00);
    // An empty slot: blanks.
    const Bytes e(a.begin() + 11 + 69 * 99, a.end());
    EXPECT_EQ(e[0], 100);
    EXPECT_EQ(e[1], 0);
    EXPECT_EQ(e, Cat(H("64 00 00"), Bytes(66, ' ')));
}

TEST_F(MachineTest, CapacitiesShapeThePhonebookAnswer) {
    machine.setCapacities(6, 20);
    const Bytes a = Exchange(kGetPhonebook, 10000);
    ASSERT_EQ(a.size(), 11u + 69u * 26u);
    const size_t length = (a[2] << 8) | a[3];
    EXPECT_EQ(length + 4, a.size());
    EXPECT_EQ(a[10], 26);
    EXPECT_EQ(a[11 + 69 * 25], 26);
}

TEST_F(MachineTest, PhonebookSetTakesEveryRecordAndWorksOutTheMarks) {
    std::vector<Bytes> records;
    for (uint8_t k = 0; k < 100; ++k) {
        records.push_back(NumberRecord(k + 1, "", ""));
    }
    records[3] = NumberRecord(4, "New Entry", std::string(46, '7'));
    records[5] = NumberRecord(6, "Exactly twenty chars", "12");
    Bytes group(69, 0);
    group[0] = 21;
    group[1] = 1;
    group[2] = 0; // the program never sets the mark itself
    group[3] = 'G';
    group[23] = 0x10; // speed-dial slot 3
    records[20] = group;
    const Bytes req = SetPhonebookRequest(100, records);
    ASSERT_EQ(req.size(), 6910u);
    EXPECT_EQ(req[2], 0x1A);
    EXPECT_EQ(req[3], 0xFA);
    EXPECT_EQ(Exchange(req, 100), H("1B A4 00 06 50 E0 82 C2 42 00"));

    EXPECT_EQ(machine.slotName(0), "");
    EXPECT_EQ(machine.slotNumber(0), "");
    EXPECT_EQ(machine.slotName(3), "New Entry");
    EXPECT_EQ(machine.slotNumber(3), std::string(46, '7'));
    EXPECT_EQ(machine.slotMark(3), 1);
    EXPECT_EQ(machine.slotName(5), "Exactly twenty chars");
    EXPECT_EQ(machine.slotKind(20), 1);
    EXPECT_EQ(machine.slotMembers(20)[0], 0x10);
    EXPECT_EQ(machine.slotMark(0), 0);
    EXPECT_EQ(machine.slotKind(10), 0);
}

TEST_F(MachineTest, PhonebookSetSkipsRecordsOutsideTheSlots) {
    const Bytes req =
        SetPhonebookRequest(3, {NumberRecord(0, "Zero", "1"), NumberRecord(101, "Beyond", "2"),
                                NumberRecord(50, "Fifty", "3")});
    EXPECT_EQ(Exchange(req, 100).size(), 10u);
    EXPECT_EQ(machine.slotName(49), "Fifty");
    EXPECT_EQ(machine.slotName(0), "Office");
    EXPECT_EQ(machine.slotRecord(100)[0], 101); // out of range reads as empty
    EXPECT_EQ(machine.slotRecord(100)[3], ' ');
}

TEST_F(MachineTest, PhonebookRoundTripThroughTheWireKeepsNamesAndNumbers) {
    machine.setSlotNumber(7, "Anna", "0123");
    const Bytes a = Exchange(kGetPhonebook, 10000);
    // Send back what came, with the program's padding, to a fresh machine.
    std::vector<Bytes> records;
    for (size_t k = 0; k < 100; ++k) {
        Bytes r(a.begin() + 11 + 69 * k, a.begin() + 11 + 69 * (k + 1));
        std::string name(r.begin() + 3, r.begin() + 23);
        name.erase(name.find_last_not_of(' ') + 1);
        if (r[1] == 0) {
            std::string number(r.begin() + 23, r.end());
            number.erase(number.find_last_not_of(' ') + 1);
            records.push_back(NumberRecord(r[0], name, number));
        } else {
            records.push_back(r);
        }
    }
    sim::SimulatedMachine other;
    other.clearPhonebook();
    const Bytes req = SetPhonebookRequest(100, records);
    EXPECT_EQ(other.write(req.data(), req.size()), long(req.size()));
    for (size_t k = 0; k < 100; ++k) {
        EXPECT_EQ(other.slotRecord(k), machine.slotRecord(k)) << "slot " << k;
    }
}

// --- faults -------------------------------------------------------------------

TEST_F(MachineTest, SilentCommandGetsNoAnswerAndChangesNothing) {
    machine.setFault(sim::Command::SetSetup, sim::Fault{.silent = true});
    const sim::SetupBlock before = machine.setupBlock();
    EXPECT_EQ(Exchange(Cat(H("1B A4 00 1B 50 E0 82 C2 41"), Bytes(22, 9)), 10).size(), 0u);
    EXPECT_EQ(machine.setupBlock(), before);
    // Other commands are not affected.
    EXPECT_EQ(Exchange(kInquiry, 10).size(), 10u);
}

TEST_F(MachineTest, AnswerCutShort) {
    machine.setFault(sim::Command::GetInfo, sim::Fault{.cutAnswerTo = 40});
    EXPECT_EQ(Exchange(kGetInfo, 200).size(), 40u);
    machine.setFault(sim::Command::GetInfo, sim::Fault{.cutAnswerTo = 0});
    EXPECT_EQ(Exchange(kGetInfo, 200).size(), 0u);
}

TEST_F(MachineTest, WrongFrameHead) {
    machine.setFault(sim::Command::Inquiry, sim::Fault{.wrongHead = true});
    EXPECT_EQ(Exchange(kInquiry, 10), H("1B A5 00 06 50 E0 00 64 01 02"));
    machine.setFault(sim::Command::FirmwareRequest, sim::Fault{.wrongHead = true});
    EXPECT_EQ(Exchange(kFirmwareGeneric, 9)[0], 0x1C);
}

TEST_F(MachineTest, WriteAcceptsOnlyKBytesAndTheRestCanFollow) {
    machine.setFault(sim::Command::Inquiry, sim::Fault{.acceptWriteBytes = 3, .times = 1});
    EXPECT_EQ(Write(kInquiry), 3);
    EXPECT_EQ(machine.queuedAnswerBytes(), 0u);
    const Bytes rest(kInquiry.begin() + 3, kInquiry.end());
    EXPECT_EQ(Write(rest), 5);
    EXPECT_EQ(Read(10).size(), 10u);
}

TEST_F(MachineTest, WriteFaultFollowsTheHalfReceivedRequest) {
    machine.setFault(sim::Command::GetSetup, sim::Fault{.acceptWriteBytes = 0});
    // The write's first bytes continue a request whose command is known only
    // from the bytes already received.
    EXPECT_EQ(Write(H("1B A4 00 05 50")), 5);
    EXPECT_EQ(Write(H("E0 82 C1 41")), 0);
    EXPECT_EQ(Write(kInquiry), 8);
}

TEST_F(MachineTest, LateAnswerBecomesReadableAfterItsDelay) {
    machine.setFault(sim::Command::Inquiry, sim::Fault{.lateMs = 2000});
    Write(kInquiry);
    EXPECT_EQ(Read(10).size(), 0u);
    EXPECT_EQ(machine.msUntilAnswer(), 2000u);
    clock.advance(1999);
    EXPECT_EQ(Read(10).size(), 0u);
    clock.advance(1);
    EXPECT_EQ(machine.msUntilAnswer(), 0u);
    EXPECT_EQ(Read(10).size(), 10u);
    EXPECT_EQ(machine.msUntilAnswer(), std::nullopt);
}

TEST_F(MachineTest, LateAnswerAcrossTheTickWrap) {
    clock.setTick(0xFFFFFF00u);
    machine.setFault(sim::Command::Inquiry, sim::Fault{.lateMs = 0x200});
    Write(kInquiry);
    clock.setTick(0x000000FFu); // 0x1FF ms later
    EXPECT_EQ(Read(10).size(), 0u);
    clock.setTick(0x00000100u);
    EXPECT_EQ(Read(10).size(), 10u);
}

TEST_F(MachineTest, FaultLapsesAfterItsTimes) {
    machine.setFault(sim::Command::Inquiry, sim::Fault{.silent = true, .times = 2});
    EXPECT_EQ(Exchange(kInquiry, 10).size(), 0u);
    EXPECT_EQ(Exchange(kInquiry, 10).size(), 0u);
    EXPECT_EQ(Exchange(kInquiry, 10).size(), 10u);
    machine.setFault(sim::Command::Inquiry, sim::Fault{.silent = true});
    machine.clearFaults();
    EXPECT_EQ(Exchange(kInquiry, 10).size(), 10u);
}

TEST_F(MachineTest, ResetBringsBackTheDefaults) {
    machine.setSlotNumber(0, "X", "1");
    machine.setMachineClass(7);
    machine.setFault(sim::Command::Inquiry, sim::Fault{.silent = true});
    Write(kGetSetup);
    machine.reset();
    EXPECT_EQ(machine.slotName(0), "Office");
    EXPECT_EQ(machine.queuedAnswerBytes(), 0u);
    EXPECT_TRUE(machine.requestLog().empty());
    EXPECT_EQ(Exchange(kInquiry, 10)[9], 2);
}

// --- firmware -------------------------------------------------------------------

class FirmwareTest : public MachineTest {
  protected:
    static Bytes Image(size_t n) {
        Bytes b(n);
        for (size_t i = 0; i < n; ++i) {
            b[i] = uint8_t(i * 7 + (i >> 8));
        }
        return b;
    }
    void SendInChunks(const Bytes& image) {
        for (size_t off = 0; off < image.size(); off += 4096) {
            const size_t n = std::min<size_t>(4096, image.size() - off);
            if (off > 0) {
                clock.advance(30);
            }
            EXPECT_EQ(machine.write(image.data() + off, n), long(n));
        }
    }
};

TEST_F(FirmwareTest, UpdateRequestIsAnsweredAndTheImageReceived) {
    EXPECT_EQ(Exchange(kFirmwareGeneric, 20), H("1B A5 00 05 50 E0 82 05 00"));
    EXPECT_TRUE(machine.firmwareReceiving());
    EXPECT_EQ(machine.firmwareRequestVariant(), 0x50);
    clock.advance(5000);
    // The image holds frame heads of its own; they are data now.
    Bytes image = Image(10000);
    std::copy(kInquiry.begin(), kInquiry.end(), image.begin() + 5000);
    SendInChunks(image);
    clock.advance(sim::kFirmwareIdleMs - 1);
    EXPECT_TRUE(machine.firmwareReceiving());
    EXPECT_EQ(machine.queuedAnswerBytes(), 0u);
    clock.advance(1);
    EXPECT_FALSE(machine.firmwareReceiving());
    EXPECT_EQ(machine.firmwareImagesCompleted(), 1);
    EXPECT_EQ(machine.firmwareImage(), image);
    // Back to commands after the restart.
    EXPECT_EQ(Exchange(kInquiry, 10).size(), 10u);
}

TEST_F(FirmwareTest, RequestAndDataInOneWrite) {
    const Bytes image = Image(300);
    const Bytes both = Cat(kFirmwareParallel, image);
    EXPECT_EQ(Write(both), long(both.size()));
    EXPECT_EQ(machine.firmwareRequestVariant(), 0x40);
    clock.advance(sim::kFirmwareIdleMs);
    EXPECT_EQ(machine.firmwareImage(), image);
}

TEST_F(FirmwareTest, RestartDropsUnreadAnswers) {
    Write(kFirmwareParallel); // the parallel path never reads this answer
    SendInChunks(Image(100));
    clock.advance(sim::kFirmwareIdleMs);
    EXPECT_EQ(machine.queuedAnswerBytes(), 0u);
    EXPECT_EQ(Exchange(kInquiry, 10), H("1B A4 00 06 50 E0 00 64 01 02"));
}

TEST_F(FirmwareTest, RepeatedRequestBeforeAnyDataIsAnsweredAgain) {
    machine.setFault(sim::Command::FirmwareRequest, sim::Fault{.wrongHead = true, .times = 1});
    EXPECT_EQ(Exchange(kFirmwareGeneric, 9)[0], 0x1C);
    clock.advance(6500);
    // The second request arrives split; it must not become image bytes.
    EXPECT_EQ(Write(H("1B A5 00")), 3);
    EXPECT_EQ(Write(H("04 50 E0 82 05")), 5);
    EXPECT_EQ(Read(9), H("1B A5 00 05 50 E0 82 05 00"));
    const Bytes image = Image(5000);
    SendInChunks(image);
    clock.advance(sim::kFirmwareIdleMs);
    EXPECT_EQ(machine.firmwareImage(), image);
    EXPECT_EQ(machine.commandLog().size(), 2u);
}

TEST_F(FirmwareTest, ImageStartingWithEscapeIsStillData) {
    Write(kFirmwareGeneric);
    Read(9);
    const Bytes image = Cat(H("1B A4 00 04 50 E0 82 C0"), Image(50));
    EXPECT_EQ(Write(image), long(image.size()));
    clock.advance(sim::kFirmwareIdleMs);
    EXPECT_EQ(machine.firmwareImage(), image);
    EXPECT_EQ(machine.queuedAnswerBytes(), 0u);
}

TEST_F(FirmwareTest, NoDataBackToCommandsWithoutAnImage) {
    Exchange(kFirmwareGeneric, 9);
    clock.advance(sim::kFirmwareNoDataMs);
    EXPECT_FALSE(machine.firmwareReceiving());
    EXPECT_EQ(machine.firmwareImagesCompleted(), 0);
    EXPECT_EQ(Exchange(kInquiry, 10).size(), 10u);
}

TEST_F(FirmwareTest, ShortWriteThenTheRestCountsAsOneChunk) {
    Exchange(kFirmwareGeneric, 9);
    machine.setFault(sim::Command::FirmwareData, sim::Fault{.acceptWriteBytes = 1000, .times = 1});
    const Bytes chunk = Image(4096);
    EXPECT_EQ(machine.write(chunk.data(), chunk.size()), 1000);
    clock.advance(1000);
    EXPECT_EQ(machine.write(chunk.data() + 1000, 3096), 3096);
    clock.advance(sim::kFirmwareIdleMs);
    EXPECT_EQ(machine.firmwareImage(), chunk);
}

TEST_F(FirmwareTest, ReceiverRefusesOrCutsTheData) {
    Exchange(kFirmwareGeneric, 9);
    machine.setFault(sim::Command::FirmwareData, sim::Fault{.imageLimit = 5000});
    const Bytes image = Image(8192);
    EXPECT_EQ(machine.write(image.data(), 4096), 4096);
    EXPECT_EQ(machine.write(image.data() + 4096, 4096), 904);
    EXPECT_EQ(machine.write(image.data() + 5000, 100), 0);
    clock.advance(sim::kFirmwareIdleMs);
    EXPECT_EQ(machine.firmwareImage(), Bytes(image.begin(), image.begin() + 5000));

    machine.setFault(sim::Command::FirmwareData, sim::Fault{.silent = true});
    Exchange(kFirmwareGeneric, 9);
    EXPECT_EQ(machine.write(image.data(), 4096), 0);
    EXPECT_TRUE(machine.firmwareImage().empty());
}

TEST_F(FirmwareTest, SilentRequestLeavesTheMachineInCommandMode) {
    machine.setFault(sim::Command::FirmwareRequest, sim::Fault{.silent = true});
    EXPECT_EQ(Exchange(kFirmwareGeneric, 9).size(), 0u);
    EXPECT_FALSE(machine.firmwareReceiving());
    EXPECT_EQ(Exchange(kInquiry, 10).size(), 10u);
}

TEST(CommandNames, RoundTrip) {
    for (int i = 0; i < sim::kCommandCount; ++i) {
        const auto c = sim::Command(i);
        EXPECT_EQ(sim::CommandFromName(sim::CommandName(c)), c);
    }
    EXPECT_EQ(sim::CommandFromName("nonsense"), std::nullopt);
}

} // namespace
