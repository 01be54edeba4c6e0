// Dropping what the machine holds before a request, and the time limit of
// one exchange, on every kind of port.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "link_fixture.h"
#include "support/platform/device_names.h"
#include "support/platform/fake_device.h"

namespace {

using Kind = FakeDeviceCall::Kind;
using Lines = std::vector<std::string>;

const ByteVector kLateAnswer = HexBytes("1B A4 00 1C 50 E0 82 C1 41 00 11 22");
const ByteVector kNextAnswer = HexBytes("1B A4 00 06 50 E0 00 64 01 02");

// What the USB library's reads were asked, and a machine that holds bytes.
struct LibraryScript {
    std::vector<int> counts;
    std::vector<int> limits; // Win2kUsbReadWithin only
    int held = 0;            // bytes a read at once finds
    uint32_t msPerRead = 0;  // each read takes this long on the virtual clock
    platform::VirtualClock* clock = nullptr;
};
LibraryScript library;

int LibraryRead(unsigned char* buffer, int count) {
    library.counts.push_back(count);
    if (library.clock != nullptr) {
        library.clock->advance(library.msPerRead);
    }
    std::memset(buffer, 0x5A, static_cast<size_t>(count));
    return count;
}

int LibraryReadWithin(unsigned char* buffer, int count, int withinMs) {
    library.limits.push_back(withinMs);
    if (withinMs == 0) {
        const int n = std::min(count, library.held);
        library.held -= n;
        library.counts.push_back(count);
        return n;
    }
    return LibraryRead(buffer, count);
}

class DiscardTest : public LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        library = LibraryScript{};
        library.clock = &clock;
    }
};

TEST_F(DiscardTest, PortsOpenedByNameDropWhatIsHeldAndKeepTheAnswerToCome) {
    for (int port : {1, 4}) {
        SCOPED_TRACE(PortTable[port]);
        clearTrace();
        FakeDevice device(PortTable[port]);
        const platform::CommTimeouts own{200, 7, 3000, 9, 5000};
        device.setInitialTimeouts(own);
        device.onHeld(ByteVector(5000, 0x33)).onRead(kNextAnswer);
        panelContext.link.currentPort = port;

        EXPECT_EQ(PortDiscard(panelContext.link), 5000);
        EXPECT_EQ(device.atOnceReads(), 3); // 4096, 904, then nothing
        EXPECT_EQ(device.waitingReads(), 0);
        EXPECT_EQ(device.queuedReads(), 1u);
        EXPECT_EQ(device.timeouts(), own); // as the port had them
        EXPECT_EQ(device.openHandles(), 0);
        EXPECT_EQ(traceLines(), Lines{"Discarded = 5000 \n"});
        // The ECP device is put into the mode its reads use.
        EXPECT_EQ(device.controlCodes().size(), port == 4 ? 2u : 0u);

        // Nothing held: nothing dropped, nothing traced.
        EXPECT_EQ(PortDiscard(panelContext.link), 0);
        EXPECT_EQ(traceLines().size(), 1u);
        ByteVector answer(10);
        EXPECT_EQ(PortRead(panelContext.link, answer.data(), 10), 10);
        EXPECT_EQ(answer, kNextAnswer);
    }
}

TEST_F(DiscardTest, DrainingIsBoundedAndNeverWaits) {
    panelContext.link.currentPort = 1;
    {
        FakeDevice lpt("LPT1");
        lpt.onHeld(ByteVector(kDiscardLimit + 5000, 0x44));
        EXPECT_EQ(PortDiscard(panelContext.link), kDiscardLimit);
        EXPECT_EQ(lpt.atOnceReads(), kDiscardLimit / 4096);
    }
    {
        // A machine that hands out one byte a read.
        FakeDevice lpt("LPT1");
        for (int i = 0; i < kDiscardRounds + 10; ++i) {
            lpt.onHeld({0x55});
        }
        EXPECT_EQ(PortDiscard(panelContext.link), kDiscardRounds);
        EXPECT_EQ(lpt.atOnceReads(), kDiscardRounds);
    }
    {
        // A port that will not read at once is not read at all.
        FakeDevice lpt("LPT1");
        lpt.onHeld(kLateAnswer).onSetCommTimeouts(false);
        EXPECT_EQ(PortDiscard(panelContext.link), 0);
        EXPECT_TRUE(lpt.calls(Kind::Read).empty());
    }
}

TEST_F(DiscardTest, UsbDrainsThroughTheLibraryWhenItCanReadAtOnceElseByThePortName) {
    panelContext.link.currentPort = 0;
    panelContext.link.isNt5 = 1;
    panelContext.link.pWin2kUsbRead = LibraryRead;
    std::strcpy(panelContext.link.usbReadPath, "fake:usb-read");
    FakeDevice pipe("fake:usb-read");
    pipe.onHeld(kLateAnswer);

    panelContext.link.pWin2kUsbReadWithin = LibraryReadWithin;
    library.held = 5000;
    EXPECT_EQ(PortDiscard(panelContext.link), 5000);
    EXPECT_EQ(library.limits, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(pipe.opens(), 0);

    panelContext.link.pWin2kUsbReadWithin = nullptr; // an older library
    library = LibraryScript{};
    EXPECT_EQ(PortDiscard(panelContext.link), static_cast<int32_t>(kLateAnswer.size()));
    EXPECT_TRUE(library.counts.empty());
    EXPECT_TRUE(pipe.openModes().at(0).read);

    panelContext.link.isNt5 = 0; // the pipe path always reads the pipe
    pipe.onHeld(kLateAnswer);
    EXPECT_EQ(PortDiscard(panelContext.link), static_cast<int32_t>(kLateAnswer.size()));
    EXPECT_EQ(traceLines(),
              (Lines{"Discarded = 5000 \n", "Discarded = 12 \n", "Discarded = 12 \n"}));
}

TEST_F(DiscardTest, UsbLibraryReadsGetTheTimeLeftAndChunksStopAtTheLimit) {
    panelContext.link.currentPort = 0;
    panelContext.link.isNt5 = 1;
    panelContext.link.pWin2kUsbRead = LibraryRead;
    panelContext.link.pWin2kUsbReadWithin = LibraryReadWithin;
    ByteVector answer(6900);

    // Outside an exchange the library's own read serves.
    EXPECT_EQ(PortRead(panelContext.link, answer.data(), 100), 100);
    EXPECT_TRUE(library.limits.empty());

    // Each chunk of a trickling answer takes 3 s of a 7.5 s limit.
    library.msPerRead = 3000;
    BeginExchange(panelContext.link, 7500);
    EXPECT_EQ(PortRead(panelContext.link, answer.data(), 6900), 3 * 2048);
    EXPECT_EQ(library.limits, (std::vector<int>{7500, 4500, 1500}));
    EndExchange(panelContext.link);

    // An older library is not told the limit; the chunks still stop there,
    // and once it has passed nothing is read at all, across the tick's wrap.
    library = LibraryScript{};
    library.msPerRead = 3000;
    library.clock = &clock;
    panelContext.link.pWin2kUsbReadWithin = nullptr;
    clock.setTick(0xFFFFF000u);
    BeginExchange(panelContext.link, 5000);
    EXPECT_EQ(PortRead(panelContext.link, answer.data(), 6900), 2 * 2048);
    EXPECT_EQ(library.counts, (std::vector<int>{2048, 2048}));
    EXPECT_EQ(ExchangeMsLeft(panelContext.link), 0u);
    clearTrace();
    EXPECT_EQ(PortRead(panelContext.link, answer.data(), 100), 0);
    EXPECT_EQ(library.counts.size(), 2u);
    EXPECT_EQ(traceLines(), Lines{"Exchange time is up \n"});
    EndExchange(panelContext.link);
    EXPECT_EQ(ExchangeMsLeft(panelContext.link), UINT32_MAX);
}

} // namespace
