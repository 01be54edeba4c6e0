// USB transfers: the NT 5 library's chunked transfers and the pipe paths.
#include <cstring>
#include <vector>

#include "link_fixture.h"
#include "support/platform/fake_device.h"

namespace {

using Lines = std::vector<std::string>;

// What the library's transfer functions were asked for, and what they answer.
struct UsbScript {
    std::vector<int> offsets; // position in the caller's buffer of each call
    std::vector<int> counts;
    std::vector<int> answers; // per call; past the end: the count asked for
    const uint8_t* base = nullptr;
    ByteVector sent;
};
UsbScript usb;

int Answer(int count) {
    size_t i = usb.counts.size() - 1;
    return i < usb.answers.size() ? usb.answers[i] : count;
}

int ScriptedWrite(const unsigned char* buffer, int count) {
    usb.offsets.push_back(static_cast<int>(buffer - usb.base));
    usb.counts.push_back(count);
    int r = Answer(count);
    if (r > 0) {
        usb.sent.insert(usb.sent.end(), buffer, buffer + std::min(r, count));
    }
    return r;
}

int ScriptedRead(unsigned char* buffer, int count) {
    usb.offsets.push_back(static_cast<int>(buffer - usb.base));
    usb.counts.push_back(count);
    int r = Answer(count);
    std::memset(buffer, 0x5A, static_cast<size_t>(std::clamp(r, 0, count)));
    return r;
}

ByteVector Pattern(size_t n) {
    ByteVector bytes(n);
    for (size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    return bytes;
}

// One scripted NT 5 transfer and what the library must have seen.
struct Transfer {
    int size;
    std::vector<int> answers;
    int result;
    std::vector<int> counts;
    std::vector<int> offsets;
    Lines trace;
};

class UsbLinkTest : public LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        usb = UsbScript{};
        panelContext.link.currentPort = 0;
        panelContext.link.isNt5 = 1;
        panelContext.link.pWin2kUsbWrite = ScriptedWrite;
        panelContext.link.pWin2kUsbRead = ScriptedRead;
        std::strcpy(panelContext.link.usbWritePath, "fake:usb-write");
        std::strcpy(panelContext.link.usbReadPath, "fake:usb-read");
    }
    FakeDevice writePipe{"fake:usb-write"};
    FakeDevice readPipe{"fake:usb-read"};
};

TEST_F(UsbLinkTest, Nt5WriteOfExactly3072BytesGoesThroughTheWritePathInOneWrite) {
    ByteVector request = Pattern(3072);
    EXPECT_EQ(PortWrite(panelContext.link, request.data(), 3072), 3072);
    EXPECT_TRUE(usb.counts.empty());
    ASSERT_EQ(writePipe.writes().size(), 1u);
    EXPECT_EQ(writePipe.written(), request);
    ASSERT_EQ(writePipe.openModes().size(), 1u);
    platform::OpenMode mode = writePipe.openModes()[0];
    EXPECT_TRUE(mode.write);
    EXPECT_FALSE(mode.read);
    EXPECT_TRUE(mode.shared);
    EXPECT_EQ(writePipe.openHandles(), 0);
    EXPECT_TRUE(traceLines().empty());
}

TEST_F(UsbLinkTest, Nt5WritesOverThe3072LimitGoThroughTheLibraryInChunks) {
    auto line = [](int n) { return "Win2kUsbWrite(?) = " + std::to_string(n); };
    const Transfer cases[] = {
        {3073, {}, 3073, {3072, 1}, {0, 3072}, {line(3072), line(1)}},
        {5000, {0}, 0, {3072}, {0}, {line(0)}}, // the library writing nothing ends it
        // a short chunk goes on from where it ended
        {7000,
         {1000},
         7000,
         {3072, 3072, 2928},
         {0, 1000, 4072},
         {line(1000), line(3072), line(2928)}},
        // never more than the library was given, never less than nothing
        {4000, {9999, -5}, 3072, {3072, 928}, {0, 3072}, {line(9999), line(-5)}},
    };
    for (const Transfer& c : cases) {
        SCOPED_TRACE(c.size);
        clearTrace();
        usb = UsbScript{};
        ByteVector request = Pattern(static_cast<size_t>(c.size));
        usb.base = request.data();
        usb.answers = c.answers;
        EXPECT_EQ(PortWrite(panelContext.link, request.data(), c.size), c.result);
        EXPECT_EQ(usb.counts, c.counts);
        EXPECT_EQ(usb.offsets, c.offsets);
        if (c.result == c.size) {
            EXPECT_EQ(usb.sent, request);
        }
        EXPECT_EQ(traceLines(), c.trace);
    }
    EXPECT_EQ(writePipe.opens(), 0);
}

TEST_F(UsbLinkTest, Nt5WriteThroughAPathThatWillNotOpenWritesNothingAndTracesNothing) {
    writePipe.setOpenable(false);
    ByteVector request = Pattern(8);
    EXPECT_EQ(PortWrite(panelContext.link, request.data(), 8), 0);
    EXPECT_TRUE(traceLines().empty());
}

TEST_F(UsbLinkTest, Nt5ReadsGoThroughTheLibraryIn2048ByteChunks) {
    auto line = [](int n) { return "Read(x) = " + std::to_string(n); };
    const Transfer cases[] = {
        {2048, {10}, 10, {2048}, {0}, {}}, // one read, no trace
        {6900,
         {},
         6900,
         {2048, 2048, 2048, 756},
         {0, 2048, 4096, 6144},
         {line(2048), line(2048), line(2048), line(756)}},
        {6900, {2048, 1000}, 3048, {2048, 2048}, {0, 2048}, {line(2048), line(1000)}},
        // never more than was asked, never less than nothing
        {2048, {5000}, 2048, {2048}, {0}, {}},
        {6900, {2048, 4000}, 4096, {2048, 2048}, {0, 2048}, {line(2048), line(4000)}},
        {100, {-1}, 0, {100}, {0}, {}},
        {6900, {2048, -1}, 2048, {2048, 2048}, {0, 2048}, {line(2048), line(-1)}},
    };
    ByteVector answer(6900);
    for (const Transfer& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.size << " answers " << c.answers.size());
        clearTrace();
        usb = UsbScript{};
        usb.base = answer.data();
        usb.answers = c.answers;
        EXPECT_EQ(PortRead(panelContext.link, answer.data(), c.size), c.result);
        EXPECT_EQ(usb.counts, c.counts);
        EXPECT_EQ(usb.offsets, c.offsets);
        EXPECT_EQ(traceLines(), c.trace);
    }
    EXPECT_EQ(readPipe.opens(), 0);
}

TEST_F(UsbLinkTest, Nt5TransfersWithoutTheLibraryFunctionsMoveNothing) {
    panelContext.link.pWin2kUsbWrite = nullptr;
    panelContext.link.pWin2kUsbRead = nullptr;
    ByteVector buffer = Pattern(4000);
    EXPECT_EQ(PortWrite(panelContext.link, buffer.data(), 4000), 0);
    EXPECT_EQ(PortRead(panelContext.link, buffer.data(), 100), 0);
    EXPECT_EQ(PortRead(panelContext.link, buffer.data(), 4000), 0);
}

TEST_F(UsbLinkTest, Win9xTransfersUseThePipesWhateverTheirSizeAndTraceAClosedOne) {
    panelContext.link.isNt5 = 0;
    panelContext.link.isWin9x = 1;
    readPipe.onRead(HexBytes("1B A4 00 06 50 E0 00 64 01 02"));
    ByteVector request = Pattern(5000);
    EXPECT_EQ(PortWrite(panelContext.link, request.data(), 5000), 5000);
    EXPECT_EQ(writePipe.written(), request);

    ByteVector answer(6900);
    EXPECT_EQ(PortRead(panelContext.link, answer.data(), 6900), 10);
    EXPECT_EQ(readPipe.readSizes(), (std::vector<size_t>{6900}));
    ASSERT_EQ(readPipe.openModes().size(), 1u);
    EXPECT_TRUE(readPipe.openModes()[0].read);
    EXPECT_FALSE(readPipe.openModes()[0].write);
    EXPECT_FALSE(readPipe.openModes()[0].shared);
    EXPECT_EQ(readPipe.openHandles(), 0);
    EXPECT_TRUE(usb.counts.empty());
    EXPECT_TRUE(traceLines().empty());

    readPipe.setOpenable(false);
    EXPECT_EQ(PortRead(panelContext.link, answer.data(), 10), 0);
    EXPECT_EQ(traceLines(), (Lines{" USB Port open error - for Reading "})); // no "\r"
}

} // namespace
