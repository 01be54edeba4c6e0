#include "sim/simulated_machine.h"

#include <gtest/gtest.h>

#include "sim_test_util.h"
#include "support/platform/platform_fixture.h"

using namespace simtest;

namespace {

class MachineTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        clock.setTick(5000);
    }

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

TEST_F(MachineTest, NoiseBrokenFramesAndHalfRequestsBeforeARequestAreSkipped) {
    for (const Bytes& junk : {H("00 FF 41 1B 1B A4 00 04 51 1B A4 00"), H("1B A4 00 04")}) {
        SCOPED_TRACE(::testing::PrintToString(junk));
        machine.reset();
        const Bytes stream = Cat(junk, kInquiry);
        EXPECT_EQ(Write(stream), long(stream.size()));
        EXPECT_EQ(Read(100), H("1B A4 00 06 50 E0 00 64 01 02"));
        EXPECT_EQ(machine.commandLog(), std::vector<sim::Command>{sim::Command::Inquiry});
    }
    EXPECT_GT(machine.skippedBytes(), 0u);
}

TEST_F(MachineTest, HalfRequestIsKeptWhileItGrowsAndDroppedOnceStale) {
    machine.setFault(sim::Command::GetSetup, sim::Fault{.acceptWriteBytes = 0, .times = 1});
    EXPECT_EQ(Write(Bytes(kGetSetup.begin(), kGetSetup.begin() + 4)), 4);
    clock.advance(sim::kStaleRequestMs - 1);
    EXPECT_EQ(Write(Bytes(kGetSetup.begin() + 4, kGetSetup.end())), 0); // refused, but heard
    clock.advance(sim::kStaleRequestMs - 1);
    EXPECT_EQ(Write(Bytes(kGetSetup.begin() + 4, kGetSetup.end())), 5);
    EXPECT_EQ(Read(100).size(), 32u);

    // Eight of nine bytes: the next request's first byte would complete it.
    EXPECT_EQ(Write(Bytes(kGetSetup.begin(), kGetSetup.end() - 1)), 8);
    clock.advance(sim::kStaleRequestMs);
    EXPECT_EQ(Exchange(kInquiry, 100), H("1B A4 00 06 50 E0 00 64 01 02"));
    EXPECT_EQ(machine.commandLog().back(), sim::Command::Inquiry);
    EXPECT_EQ(machine.commandLog().size(), 2u);
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
    auto asBytes = [](const auto& block) { return Bytes(block.begin(), block.end()); };
    const struct {
        Bytes request;
        Bytes head;
        Bytes block;
    } cases[] = {
        {kGetSetup, H("1B A4 00 1C 50 E0 82 C1 41 00"), asBytes(machine.setupBlock())},
        {kGetStatus, H("1B A4 00 4F 50 E0 82 C1 40 00"), asBytes(machine.statusBlock())},
        {kGetInfo, H("1B A4 00 6F 50 E0 82 C1 43 00"), asBytes(machine.infoBlock())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.request));
        EXPECT_EQ(Exchange(c.request, 200), Cat(c.head, c.block));
    }
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
    // Slot 1: "Office" 5550100, a member of the group in slot 11; blank padded.
    const Bytes r1(a.begin() + 11, a.begin() + 80);
    EXPECT_EQ(r1, Cat(Cat(H("01 00 01"), Text("Office              5550100")), Bytes(39, ' ')));
    // Slot 11: the group, members travel raw.
    const Bytes g(a.begin() + 11 + 69 * 10, a.begin() + 11 + 69 * 11);
    EXPECT_EQ(Bytes(g.begin(), g.begin() + 2), H("0B 01"));
    EXPECT_EQ(Bytes(g.begin() + 23, g.begin() + 25), H("C8 00"));
    // An empty slot: blanks.
    EXPECT_EQ(Bytes(a.begin() + 11 + 69 * 99, a.end()), Cat(H("64 00 00"), Bytes(66, ' ')));
}

TEST_F(MachineTest, CapacitiesShapeThePhonebookAnswer) {
    machine.setCapacities(6, 20);
    const Bytes a = Exchange(kGetPhonebook, 10000);
    ASSERT_EQ(a.size(), 11u + 69u * 26u);
    EXPECT_EQ(((a[2] << 8) | a[3]) + 4, int(a.size()));
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
    // A group (the program never sets the mark itself) of speed-dial slot 3.
    records[20] = Cat(Cat(H("15 01 00 47"), Bytes(19, 0)), Cat(H("10"), Bytes(45, 0)));
    const Bytes req = SetPhonebookRequest(100, records);
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

TEST_F(MachineTest, SilentCutAndWrongHeadFaultsShapeOnlyTheirCommandsAnswer) {
    const Bytes setSetup = Cat(H("1B A4 00 1B 50 E0 82 C2 41"), Bytes(22, 9));
    const struct {
        sim::Command command;
        sim::Fault fault;
        Bytes request;
        Bytes answerStart;
        size_t answerSize;
    } cases[] = {
        {sim::Command::SetSetup, {.silent = true}, setSetup, {}, 0},
        {sim::Command::GetInfo, {.cutAnswerTo = 40}, kGetInfo, H("1B A4 00 6F"), 40},
        {sim::Command::GetInfo, {.cutAnswerTo = 0}, kGetInfo, {}, 0},
        {sim::Command::Inquiry,
         {.wrongHead = true},
         kInquiry,
         H("1B A5 00 06 50 E0 00 64 01 02"),
         10},
        {sim::Command::FirmwareRequest, {.wrongHead = true}, kFirmwareGeneric, H("1C"), 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(sim::CommandName(c.command));
        machine.reset();
        const sim::SetupBlock before = machine.setupBlock();
        machine.setFault(c.command, c.fault);
        const Bytes answer = Exchange(c.request, 200);
        ASSERT_EQ(answer.size(), c.answerSize);
        EXPECT_EQ(Bytes(answer.begin(), answer.begin() + long(c.answerStart.size())),
                  c.answerStart);
        EXPECT_EQ(machine.setupBlock(), before);
        if (c.command != sim::Command::Inquiry && !machine.firmwareReceiving()) {
            EXPECT_EQ(Exchange(kInquiry, 10).size(), 10u); // other commands are not affected
        }
    }
}

TEST_F(MachineTest, WriteFaultAcceptsKBytesAlsoOfAHalfReceivedRequest) {
    machine.setFault(sim::Command::Inquiry, sim::Fault{.acceptWriteBytes = 3, .times = 1});
    EXPECT_EQ(Write(kInquiry), 3);
    EXPECT_EQ(machine.queuedAnswerBytes(), 0u);
    EXPECT_EQ(Write(Bytes(kInquiry.begin() + 3, kInquiry.end())), 5); // the rest can follow
    EXPECT_EQ(Read(10).size(), 10u);

    // The write's first bytes continue a request whose command is known only
    // from the bytes already received.
    machine.setFault(sim::Command::GetSetup, sim::Fault{.acceptWriteBytes = 0});
    EXPECT_EQ(Write(H("1B A4 00 05 50")), 5);
    EXPECT_EQ(Write(H("E0 82 C1 41")), 0);
    EXPECT_EQ(Write(kInquiry), 8);
}

TEST_F(MachineTest, LateAnswerBecomesReadableAfterItsDelayAlsoAcrossTheTickWrap) {
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

TEST_F(FirmwareTest, RequestAndDataInOneWriteEvenDataThatLooksLikeAFrame) {
    const Bytes image = Cat(kInquiry, Image(300));
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

TEST_F(FirmwareTest, SilentRequestOrNoDataLeaveTheMachineInCommandModeWithoutAnImage) {
    machine.setFault(sim::Command::FirmwareRequest, sim::Fault{.silent = true, .times = 1});
    EXPECT_EQ(Exchange(kFirmwareGeneric, 9).size(), 0u);
    EXPECT_FALSE(machine.firmwareReceiving());
    EXPECT_EQ(Exchange(kInquiry, 10).size(), 10u);

    Exchange(kFirmwareGeneric, 9);
    EXPECT_TRUE(machine.firmwareReceiving());
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

TEST(CommandNames, RoundTrip) {
    for (int i = 0; i < sim::kCommandCount; ++i) {
        const auto c = sim::Command(i);
        EXPECT_EQ(sim::CommandFromName(sim::CommandName(c)), c);
    }
    EXPECT_EQ(sim::CommandFromName("nonsense"), std::nullopt);
}

} // namespace
