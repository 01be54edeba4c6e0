// USB transfers: the NT 5 library's chunked transfers and the pipe paths.
#include <cstring>
#include <numeric>
#include <vector>

#include "link/link_fixture.h"
#include "support/fake_device.h"

namespace {

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

class UsbLinkTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        usb = UsbScript{};
        currentPort = 0;
        isNt5 = 1;
        pWin2kUsbWrite = ScriptedWrite;
        pWin2kUsbRead = ScriptedRead;
        std::strcpy(usbWritePath, "fake:usb-write");
        std::strcpy(usbReadPath, "fake:usb-read");
    }
    FakeDevice writePipe{"fake:usb-write"};
    FakeDevice readPipe{"fake:usb-read"};
};

TEST_F(UsbLinkTest, Nt5WriteOfExactly3072BytesGoesThroughTheWritePathInOneWrite) {
    ByteVector request = Pattern(3072);
    EXPECT_EQ(PortWrite(request.data(), 3072), 3072);
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

TEST_F(UsbLinkTest, Nt5WriteOf3073BytesGoesThroughTheLibraryAs3072And1) {
    ByteVector request = Pattern(3073);
    usb.base = request.data();
    EXPECT_EQ(PortWrite(request.data(), 3073), 3073);
    EXPECT_EQ(usb.counts, (std::vector<int>{3072, 1}));
    EXPECT_EQ(usb.offsets, (std::vector<int>{0, 3072}));
    EXPECT_EQ(usb.sent, request);
    EXPECT_EQ(writePipe.opens(), 0);
    EXPECT_EQ(traceLines(),
              (std::vector<std::string>{"Win2kUsbWrite(?) = 3072", "Win2kUsbWrite(?) = 1"}));
}

TEST_F(UsbLinkTest, Nt5ChunkedWriteStopsWhenTheLibraryWritesNothing) {
    ByteVector request = Pattern(5000);
    usb.base = request.data();
    usb.answers = {0};
    EXPECT_EQ(PortWrite(request.data(), 5000), 0);
    EXPECT_EQ(usb.counts, (std::vector<int>{3072}));
    EXPECT_EQ(traceLines(), (std::vector<std::string>{"Win2kUsbWrite(?) = 0"}));
}

TEST_F(UsbLinkTest, Nt5ChunkedWriteGoesOnFromWhereAShortChunkEnded) {
    ByteVector request = Pattern(7000);
    usb.base = request.data();
    usb.answers = {1000};
    EXPECT_EQ(PortWrite(request.data(), 7000), 7000);
    EXPECT_EQ(usb.counts, (std::vector<int>{3072, 3072, 2928}));
    EXPECT_EQ(usb.offsets, (std::vector<int>{0, 1000, 4072}));
    EXPECT_EQ(usb.sent, request);
}

TEST_F(UsbLinkTest, Nt5ChunkedWriteNeverCountsMoreThanTheLibraryWasGivenOrLessThanNothing) {
    ByteVector request = Pattern(4000);
    usb.base = request.data();
    usb.answers = {9999, -5};
    EXPECT_EQ(PortWrite(request.data(), 4000), 3072);
    EXPECT_EQ(usb.counts, (std::vector<int>{3072, 928}));
    EXPECT_EQ(traceLines(),
              (std::vector<std::string>{"Win2kUsbWrite(?) = 9999", "Win2kUsbWrite(?) = -5"}));
}

TEST_F(UsbLinkTest, Nt5WriteThroughAPathThatWillNotOpenWritesNothingAndTracesNothing) {
    writePipe.setOpenable(false);
    ByteVector request = Pattern(8);
    EXPECT_EQ(PortWrite(request.data(), 8), 0);
    EXPECT_TRUE(traceLines().empty());
}

TEST_F(UsbLinkTest, Nt5ReadUpTo2048BytesIsOneLibraryReadWithoutTrace) {
    ByteVector answer(2048);
    usb.base = answer.data();
    usb.answers = {10};
    EXPECT_EQ(PortRead(answer.data(), 2048), 10);
    EXPECT_EQ(usb.counts, (std::vector<int>{2048}));
    EXPECT_TRUE(traceLines().empty());
    EXPECT_EQ(readPipe.opens(), 0);
}

TEST_F(UsbLinkTest, Nt5ReadOf6900BytesAsksFor2048ThreeTimesAnd756) {
    ByteVector answer(6900);
    usb.base = answer.data();
    EXPECT_EQ(PortRead(answer.data(), 6900), 6900);
    EXPECT_EQ(usb.counts, (std::vector<int>{2048, 2048, 2048, 756}));
    EXPECT_EQ(usb.offsets, (std::vector<int>{0, 2048, 4096, 6144}));
    EXPECT_EQ(traceLines(), (std::vector<std::string>{"Read(x) = 2048", "Read(x) = 2048",
                                                      "Read(x) = 2048", "Read(x) = 756"}));
}

TEST_F(UsbLinkTest, Nt5ChunkedReadEndsAtAShortSecondChunk) {
    ByteVector answer(6900);
    usb.base = answer.data();
    usb.answers = {2048, 1000};
    EXPECT_EQ(PortRead(answer.data(), 6900), 3048);
    EXPECT_EQ(usb.counts, (std::vector<int>{2048, 2048}));
    EXPECT_EQ(traceLines(), (std::vector<std::string>{"Read(x) = 2048", "Read(x) = 1000"}));
}

TEST_F(UsbLinkTest, Nt5ReadNeverReportsMoreThanWasAskedOrLessThanNothing) {
    ByteVector answer(6900);
    usb.base = answer.data();
    usb.answers = {5000};
    EXPECT_EQ(PortRead(answer.data(), 2048), 2048);
    usb = UsbScript{};
    usb.base = answer.data();
    usb.answers = {2048, 4000};
    EXPECT_EQ(PortRead(answer.data(), 6900), 4096);
    usb = UsbScript{};
    usb.base = answer.data();
    usb.answers = {-1};
    EXPECT_EQ(PortRead(answer.data(), 100), 0);
    usb = UsbScript{};
    usb.base = answer.data();
    usb.answers = {2048, -1};
    EXPECT_EQ(PortRead(answer.data(), 6900), 2048);
}

TEST_F(UsbLinkTest, Nt5TransfersWithoutTheLibraryFunctionsMoveNothing) {
    pWin2kUsbWrite = nullptr;
    pWin2kUsbRead = nullptr;
    ByteVector buffer = Pattern(4000);
    EXPECT_EQ(PortWrite(buffer.data(), 4000), 0);
    EXPECT_EQ(PortRead(buffer.data(), 100), 0);
    EXPECT_EQ(PortRead(buffer.data(), 4000), 0);
}

TEST_F(UsbLinkTest, Win9xTransfersUseThePipesWhateverTheirSize) {
    isNt5 = 0;
    isWin9x = 1;
    readPipe.onRead(HexBytes("1B A4 00 06 50 E0 00 64 01 02"));
    ByteVector request = Pattern(5000);
    EXPECT_EQ(PortWrite(request.data(), 5000), 5000);
    EXPECT_EQ(writePipe.written(), request);

    ByteVector answer(6900);
    EXPECT_EQ(PortRead(answer.data(), 6900), 10);
    EXPECT_EQ(readPipe.readSizes(), (std::vector<size_t>{6900}));
    ASSERT_EQ(readPipe.openModes().size(), 1u);
    EXPECT_TRUE(readPipe.openModes()[0].read);
    EXPECT_FALSE(readPipe.openModes()[0].write);
    EXPECT_FALSE(readPipe.openModes()[0].shared);
    EXPECT_EQ(readPipe.openHandles(), 0);
    EXPECT_TRUE(usb.counts.empty());
    EXPECT_TRUE(traceLines().empty());
}

TEST_F(UsbLinkTest, Win9xReadPipeThatWillNotOpenIsTracedWithoutCarriageReturn) {
    isNt5 = 0;
    isWin9x = 1;
    readPipe.setOpenable(false);
    ByteVector answer(10);
    EXPECT_EQ(PortRead(answer.data(), 10), 0);
    EXPECT_EQ(traceLines(), (std::vector<std::string>{" USB Port open error - for Reading "}));
}

} // namespace
