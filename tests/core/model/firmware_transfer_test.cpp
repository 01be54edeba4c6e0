#include "model/firmware_transfer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include "link/port.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "recording_view.h"
#include "support/core/panel_fixture.h"
#include "support/platform/bytes.h"
#include "support/platform/device_names.h"
#include "support/platform/fake_device.h"
#include "support/platform/firmware_test_helpers.h"

using firmware::TransferResult;
using fwtest::RecordingView;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const ByteVector kGenericRequest = HexBytes("1B A5 00 04 50 E0 82 05");
const ByteVector kLptRequest = HexBytes("1B A5 00 04 40 E0 82 05");
const ByteVector kAnswer = HexBytes("1B A5 00 05 50 E0 82 05 00");

const std::string kFailed = "Failed to write data.";
const std::string kStored = "Writing complete. Do not turn off until your machine is initialized.";
const std::string kSelect = "Select a firmware file.";
const std::string kEmptyFile = "The firmware file is empty. Nothing was sent.";
const std::string kTooLarge =
    "The firmware file is larger than 4294967295 bytes and cannot be sent. Nothing was sent.";
const std::string kCutShort = "The firmware file could not be read to its end. Nothing was sent.";
constexpr uint64_t kGiB = uint64_t{1} << 30;

ByteVector Join(const std::vector<ByteVector>& parts, size_t from) {
    ByteVector all;
    for (size_t i = from; i < parts.size(); ++i) {
        all.insert(all.end(), parts[i].begin(), parts[i].end());
    }
    return all;
}

std::vector<size_t> Sizes(const std::vector<ByteVector>& parts) {
    std::vector<size_t> sizes;
    for (const auto& p : parts) {
        sizes.push_back(p.size());
    }
    return sizes;
}

ByteVector Slice(const std::string& bytes, size_t from, size_t count) {
    return ByteVector(bytes.begin() + static_cast<long>(from),
                      bytes.begin() + static_cast<long>(from + count));
}

class FirmwareTransferTest : public ContextTest {
  protected:
    void SetUp() override {
        ContextTest::SetUp();
        UseLanguageFile(LanguageFilePath("en"));
    }

    std::string image(size_t size) {
        content = fwtest::ImageBytes(size);
        return dir.write("image.bin", content);
    }

    // Remembers the tick of every write the device accepts.
    void recordWriteTicks(FakeDevice& device) {
        device.setResponder([this](const ByteVector&) {
            writeTicks.push_back(clock.tick());
            return ByteVector{};
        });
    }

    // A file of that size taking no disk space (truncate makes it sparse).
    std::string sparse(const std::string& name, uint64_t size) {
        const std::string path = dir.write(name, "");
        std::filesystem::resize_file(path, size);
        return path;
    }

    struct Refusal {
        std::string what;
        std::string path;
        firmware::FileProblem problem;
        std::string message;
    };

    // Files that cannot go out whole. Each must be turned away before the
    // request: a machine in receive mode stores whatever comes next.
    std::vector<Refusal> refusals() {
        using firmware::FileProblem;
        std::vector<Refusal> cases = {
            {"empty", dir.write("empty.bin", ""), FileProblem::kEmpty, kEmptyFile},
            {"kernel file without a size", "/proc/self/status", FileProblem::kEmpty, kEmptyFile},
            {"5 GiB", sparse("five.bin", 5 * kGiB), FileProblem::kTooLarge, kTooLarge},
            {"one byte beyond 32 bits", sparse("over.bin", 4 * kGiB), FileProblem::kTooLarge,
             kTooLarge},
        };
        // A kernel file claims a page but holds a few bytes.
        for (const char* path : {"/sys/kernel/profiling", "/sys/devices/system/cpu/online"}) {
            struct stat st {};
            if (::stat(path, &st) == 0 && st.st_size > 0 &&
                fwtest::ReadFile(path).size() < static_cast<size_t>(st.st_size)) {
                cases.push_back({path, path, FileProblem::kUnreadable, kCutShort});
                break;
            }
        }
        return cases;
    }

    void expectRefused(const Refusal& c) {
        SCOPED_TRACE(c.what);
        view = RecordingView{};
        EXPECT_EQ(transfer.OnUpdate(c.path), TransferResult::kFileRefused);
        EXPECT_EQ(transfer.fileProblem(), c.problem);
        ASSERT_FALSE(view.shown.empty());
        EXPECT_EQ(view.shown.back().messageText, c.message);
        EXPECT_EQ(view.shown.back().fileName, "");
        EXPECT_EQ(view.shown.back().fileSizeText, "");
        EXPECT_FALSE(view.updateEnabled);
        EXPECT_EQ(view.cursorDepth, 0);
        EXPECT_TRUE(view.positions.empty());
    }

    std::vector<std::string> shownMessages() const {
        std::vector<std::string> messages;
        for (const auto& s : view.shown) {
            messages.push_back(s.messageText);
        }
        return messages;
    }

    TempDir dir;
    std::string content;
    std::vector<uint32_t> writeTicks;
    RecordingView view;
    // The version reads are the machine's commands, tested against the
    // simulated machine; here they only name the versions.
    std::string versionAfter = "1.10";
    firmware::FirmwareTransfer transfer{view, panelContext.link, [this](bool after) {
                                            return after ? versionAfter : std::string("1.00");
                                        }};
};

// A way to the machine: the generic path over the parallel port opened by
// name, or the parallel-port path on the ECP driver device.
struct FirmwarePath {
    const char* name;
    int port;
    const char* device;
    ByteVector request;
    bool readsAnswer;                // the generic path reads one, 500 ms after the request
    std::vector<std::string> banner; // traced before anything else
    std::vector<std::string> shortRequestTraces;
};

const FirmwarePath kGenericPath{"Generic", 1, "LPT1", kGenericRequest, true, {}, {}};
const FirmwarePath kEcpPath{"Ecp",
                            4,
                            kEcp1,
                            kLptRequest,
                            false,
                            {" >> OnUpdate4NtLpt()  <<<"},
                            {"Error on writing to port. - Update command"}};

class PathTest : public FirmwareTransferTest {
  protected:
    explicit PathTest(const FirmwarePath& route) : route(route), device{route.device} {}
    void SetUp() override {
        FirmwareTransferTest::SetUp();
        panelContext.link.currentPort = route.port;
        recordWriteTicks(device);
    }
    // The device, with the answer the path reads before the data.
    FakeDevice& answering() { return route.readsAnswer ? device.onRead(kAnswer) : device; }
    // The path's banner, then these lines.
    std::vector<std::string> traced(const std::vector<std::string>& lines = {}) const {
        std::vector<std::string> all = route.banner;
        all.insert(all.end(), lines.begin(), lines.end());
        return all;
    }
    const FirmwarePath& route;
    FakeDevice device;
};

class GenericPathTest : public PathTest {
  protected:
    GenericPathTest() : PathTest(kGenericPath) {}
    FakeDevice& lpt = device;
};

class LptPathTest : public PathTest {
  protected:
    LptPathTest() : PathTest(kEcpPath) {}
    FakeDevice& ecp = device;
};

// What both paths do alike.
class BothPathsTest : public PathTest, public ::testing::WithParamInterface<FirmwarePath> {
  protected:
    BothPathsTest() : PathTest(GetParam()) {}
};

INSTANTIATE_TEST_SUITE_P(Paths, BothPathsTest, ::testing::Values(kGenericPath, kEcpPath),
                         [](const ::testing::TestParamInfo<FirmwarePath>& info) {
                             return std::string(info.param.name);
                         });

// --- sending ----------------------------------------------------------------

TEST_P(BothPathsTest, SendsTenThousandBytesInThreeChunksWithProgress) {
    const std::string path = image(10000);
    answering();

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);

    const auto writes = device.writes();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0], route.request);
    EXPECT_THAT(Sizes(writes), ElementsAre(8u, 4096u, 4096u, 1808u));
    EXPECT_EQ(Join(writes, 1), ToBytes(content));
    EXPECT_EQ(device.readSizes(), std::vector<size_t>(route.readsAnswer ? 1 : 0, 9));

    // After each chunk: bar, percentage and message line, then shown.
    ASSERT_GE(view.shown.size(), 3u);
    EXPECT_EQ(view.shown[0].percentText, "40 %");
    EXPECT_EQ(view.shown[0].messageText, "4096 bytes transferred");
    EXPECT_EQ(view.shown[0].pos, 40);
    EXPECT_EQ(view.shown[1].percentText, "81 %");
    EXPECT_EQ(view.shown[1].messageText, "8192 bytes transferred");
    EXPECT_EQ(view.shown[1].pos, 81);
    EXPECT_EQ(view.shown[2].percentText, "100 %");
    EXPECT_EQ(view.shown[2].messageText, "10000 bytes transferred");
    EXPECT_EQ(view.shown[2].pos, 100);
    EXPECT_THAT(view.positions, ElementsAre(0, 40, 81, 100, 0));
    EXPECT_EQ(view.low, 0);
    EXPECT_EQ(view.high, 100);

    // 500 ms before the answer is read (where one is), 5 s before the data, no
    // wait between chunks, 40 s after the last one.
    const uint32_t answerWait = route.readsAnswer ? 500 : 0;
    ASSERT_EQ(writeTicks.size(), 4u);
    EXPECT_EQ(writeTicks[1] - writeTicks[0], answerWait + 5000u);
    EXPECT_EQ(writeTicks[3], writeTicks[1]);
    ASSERT_EQ(view.messagesNow.size(), 1u);
    EXPECT_EQ(view.messagesNow[0].text, kStored);
    EXPECT_EQ(view.messagesNow[0].tick, writeTicks[3]);
    ASSERT_EQ(view.completions.size(), 1u);
    EXPECT_EQ(view.completions[0].tick, writeTicks[3] + 40000);
    EXPECT_EQ(view.completions[0].text, "Update Complete! \nFirmware updated: 1.00 → 1.10");
    EXPECT_EQ(view.completions[0].caption, "Telvane Remote Control Panel");
    EXPECT_EQ(clock.slept(), answerWait + 45000u);

    EXPECT_EQ(traceLines(), traced());
    EXPECT_EQ(device.openHandles(), 0);
}

TEST_F(GenericPathTest, CompletionResetsThePageAfterTheBox) {
    const std::string path = image(5000);
    lpt.onRead(kAnswer);
    RecordingView::Shown atBox;
    view.onCompletion = [&] {
        atBox = {view.fileName, view.fileSizeText, view.messageText, view.percentText, view.pos};
        EXPECT_EQ(transfer.state(), firmware::TransferState::kDone);
        EXPECT_EQ(view.cursorDepth, 1);
    };

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);

    // While the box is up the page still shows the stored message.
    EXPECT_EQ(atBox.fileName, "chosen.bin");
    EXPECT_EQ(atBox.messageText, kStored);
    EXPECT_EQ(atBox.pos, 100);
    // Then the initial look: a file must be chosen again.
    EXPECT_EQ(view.messageText, kSelect);
    EXPECT_EQ(view.fileName, "");
    EXPECT_EQ(view.fileSizeText, "");
    EXPECT_EQ(view.pos, 0);
    EXPECT_EQ(view.percentText, "");
    EXPECT_FALSE(view.updateEnabled);
    ASSERT_FALSE(view.shown.empty());
    const auto& last = view.shown.back();
    EXPECT_EQ(last.messageText, kSelect);
    EXPECT_EQ(last.fileName, "");
    EXPECT_EQ(last.fileSizeText, "");
    EXPECT_EQ(last.percentText, "");
    EXPECT_EQ(view.events.back(), "cursor=normal");
    EXPECT_EQ(view.cursorDepth, 0);
    EXPECT_EQ(transfer.state(), firmware::TransferState::kIdle);
}

TEST_P(BothPathsTest, FilesThatCannotGoOutWholeAreRefusedBeforeTheDeviceOpens) {
    const auto cases = refusals();
    for (const Refusal& c : cases) {
        expectRefused(c);
    }
    // Not a byte reached the port: it was not even opened.
    EXPECT_EQ(device.opens(), 0);
    EXPECT_THAT(device.writes(), IsEmpty());
    EXPECT_EQ(clock.slept(), 0u);
    std::vector<std::string> banners;
    for (size_t i = 0; i < cases.size(); ++i) {
        banners.insert(banners.end(), route.banner.begin(), route.banner.end());
    }
    EXPECT_EQ(traceLines(), banners);

    // The same file once it holds an image goes out as usual.
    const std::string path = sparse("five.bin", 5 * kGiB);
    std::filesystem::resize_file(path, 5000);
    answering();
    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);
    EXPECT_EQ(transfer.fileProblem(), firmware::FileProblem::kNone);
    EXPECT_THAT(Sizes(device.writes()), ElementsAre(8u, 4096u, 904u));
}

// A first answer that is not 9 bytes beginning with 1B: a second request
// after 6 s, whose 9-byte answer is taken whatever it holds.
class SecondAttemptTest : public GenericPathTest,
                          public ::testing::WithParamInterface<ByteVector> {};

TEST_P(SecondAttemptTest, SecondNineByteAnswerIsAcceptedWhateverItsFirstByte) {
    const std::string path = image(5000);
    lpt.onRead(GetParam()).onRead(HexBytes("00 A5 00 05 50 E0 82 05 00"));

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);

    const auto writes = lpt.writes();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0], kGenericRequest);
    EXPECT_EQ(writes[1], kGenericRequest);
    EXPECT_EQ(Join(writes, 2), ToBytes(content));
    EXPECT_THAT(traceLines(), ElementsAre("FwUp: Failed to read response "));
    EXPECT_EQ(writeTicks[1] - writeTicks[0], 500u + 6000u);
    EXPECT_EQ(writeTicks[2] - writeTicks[1], 500u + 5000u);
    // The first read asked for 9; so did the second.
    const auto reads = lpt.readSizes();
    ASSERT_GE(reads.size(), 2u);
    EXPECT_EQ(reads[0], 9u);
    EXPECT_EQ(reads[1], 9u);
}

INSTANTIATE_TEST_SUITE_P(FirstAnswers, SecondAttemptTest,
                         ::testing::Values(HexBytes("1C A5 00 05 50 E0 82 05 00"), // wrong head
                                           HexBytes("1B A5 00 05 50 E0 82 05"),    // 8 bytes
                                           ByteVector{}));                         // nothing

TEST_F(GenericPathTest, EightByteAnswersTwiceFailWithoutData) {
    const std::string path = image(5000);
    lpt.onRead(HexBytes("1B A5 00 05 50 E0 82 05")).onRead(HexBytes("1B A5 00 05 50 E0 82 05"));

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kFailed);

    EXPECT_THAT(lpt.writes(), ElementsAre(kGenericRequest, kGenericRequest));
    EXPECT_THAT(traceLines(), ElementsAre("FwUp: Failed to read response "));
    EXPECT_EQ(clock.slept(), 500u + 6000u + 500u);
    EXPECT_EQ(view.messageText, kFailed);
    ASSERT_FALSE(view.shown.empty());
    EXPECT_EQ(view.shown.back().messageText, kFailed);
    // The file stays chosen and Update stays enabled, so the user can retry.
    EXPECT_EQ(view.fileName, "chosen.bin");
    EXPECT_EQ(view.fileSizeText, "10000 bytes");
    EXPECT_TRUE(view.updateEnabled);
    EXPECT_FALSE(view.hasEvent("disableUpdate"));
    EXPECT_TRUE(view.completions.empty());
    EXPECT_EQ(view.cursorDepth, 0);
    EXPECT_EQ(lpt.openHandles(), 0);
}

TEST_P(BothPathsTest, UpdateRequestNotWrittenInFullFails) {
    const std::string path = image(5000);
    device.onWrite(7);

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kFailed);

    EXPECT_EQ(device.writes().size(), 1u);
    EXPECT_THAT(device.readSizes(), IsEmpty());
    EXPECT_EQ(traceLines(), traced(route.shortRequestTraces));
    EXPECT_EQ(view.messageText, kFailed);
    EXPECT_EQ(clock.slept(), 0u);
    EXPECT_EQ(device.openHandles(), 0);
}

TEST_F(GenericPathTest, SecondRequestNotWrittenInFullFails) {
    const std::string path = image(5000);
    lpt.onRead(HexBytes("1C")).onWrite(FakeDevice::kAcceptAll).onWrite(0);

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kFailed);

    EXPECT_THAT(lpt.readSizes(), ElementsAre(9u));
    EXPECT_EQ(lpt.writes().size(), 2u);
    EXPECT_EQ(view.messageText, kFailed);
    EXPECT_EQ(view.fileName, "chosen.bin");
    EXPECT_TRUE(view.updateEnabled);
}

// --- chunks that the port takes only in part -------------------------------

TEST_P(BothPathsTest, ShortChunkCompletedByTheRetryCountsInFull) {
    const std::string path = image(10000);
    answering().onWrite(FakeDevice::kAcceptAll).onWrite(1000);

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);

    const auto writes = device.writes();
    EXPECT_THAT(Sizes(writes), ElementsAre(8u, 4096u, 3096u, 4096u, 1808u));
    EXPECT_EQ(writes[2], Slice(content, 1000, 3096)); // from the first unwritten byte
    ByteVector expected = route.request;
    expected.insert(expected.end(), content.begin(), content.end());
    EXPECT_EQ(device.written(), expected);
    EXPECT_EQ(traceLines(), traced({"FwUp: Data written - 1000 "}));
    ASSERT_EQ(writeTicks.size(), 5u);
    EXPECT_EQ(writeTicks[2] - writeTicks[1], 1000u);
    ASSERT_GE(view.shown.size(), 3u);
    EXPECT_EQ(view.shown[0].messageText, "4096 bytes transferred");
    EXPECT_EQ(view.shown[0].percentText, "40 %");
    EXPECT_EQ(view.shown[2].messageText, "10000 bytes transferred");
}

TEST_P(BothPathsTest, RetryOfNothingIsFollowedByExactlyOneMore) {
    const std::string path = image(10000);
    answering().onWrite(FakeDevice::kAcceptAll).onWrite(1000).onWrite(0);

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);

    const auto writes = device.writes();
    EXPECT_THAT(Sizes(writes), ElementsAre(8u, 4096u, 3096u, 3096u, 4096u, 1808u));
    EXPECT_EQ(writes[3], Slice(content, 1000, 3096));
    EXPECT_EQ(writeTicks[3] - writeTicks[1], 2000u);
    ByteVector expected = route.request;
    expected.insert(expected.end(), content.begin(), content.end());
    EXPECT_EQ(device.written(), expected);
    EXPECT_EQ(traceLines(), traced({"FwUp: Data written - 1000 "}));
}

TEST_F(GenericPathTest, ChunkStillShortAfterTheRetriesFailsAndKeepsTheProgress) {
    const std::string path = image(10000);
    // First chunk whole; the second: 1000, then nothing twice.
    lpt.onRead(kAnswer)
        .onWrite(FakeDevice::kAcceptAll)
        .onWrite(FakeDevice::kAcceptAll)
        .onWrite(1000)
        .onWrite(0)
        .onWrite(0);

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kFailed);

    EXPECT_THAT(Sizes(lpt.writes()), ElementsAre(8u, 4096u, 4096u, 3096u, 3096u));
    EXPECT_THAT(traceLines(), ElementsAre("FwUp: Data written - 1000 "));
    EXPECT_EQ(view.messageText, kFailed);
    EXPECT_EQ(view.percentText, "40 %");
    EXPECT_EQ(view.pos, 40);
    EXPECT_THAT(view.positions, ElementsAre(0, 40));
    ASSERT_FALSE(view.shown.empty());
    EXPECT_EQ(view.shown.back().messageText, kFailed);
    EXPECT_EQ(view.shown.back().percentText, "40 %");
    EXPECT_TRUE(view.messagesNow.empty());
    EXPECT_TRUE(view.completions.empty());
    EXPECT_EQ(view.fileName, "chosen.bin");
    EXPECT_TRUE(view.updateEnabled);
}

TEST_F(GenericPathTest, PartialRetryGetsNoThirdAttempt) {
    const std::string path = image(4096);
    lpt.onRead(kAnswer).onWrite(FakeDevice::kAcceptAll).onWrite(1000).onWrite(1000);

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kFailed);

    EXPECT_THAT(Sizes(lpt.writes()), ElementsAre(8u, 4096u, 3096u));
    EXPECT_EQ(view.messageText, kFailed);
    EXPECT_EQ(clock.slept(), 500u + 5000u + 1000u);
}

TEST_F(GenericPathTest, WriteErrorCountsAsNothingWritten) {
    const std::string path = image(4096);
    lpt.onRead(kAnswer).onWrite(FakeDevice::kAcceptAll).onWrite(-1);

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);

    EXPECT_THAT(Sizes(lpt.writes()), ElementsAre(8u, 4096u, 4096u));
    EXPECT_THAT(traceLines(), ElementsAre("FwUp: Data written - 0 "));
}

// --- the file ---------------------------------------------------------------

TEST_P(BothPathsTest, FileThatCannotBeOpenedDropsTheChoiceSilently) {
    using firmware::FileProblem;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, FileProblem> cases[] = {
        {dir.file("missing.bin"), FileProblem::kMissing},
        {std::string(), FileProblem::kMissing},
        {dir.path(), FileProblem::kNotRegular},
        {fifo, FileProblem::kNotRegular}, // without a writer: must not wait for one
        {"/dev/zero", FileProblem::kNotRegular},
    };
    for (const auto& [path, problem] : cases) {
        SCOPED_TRACE(path);
        view = RecordingView{};
        EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kFileNotOpened);
        EXPECT_EQ(transfer.fileProblem(), problem);
        EXPECT_EQ(view.fileName, "");
        EXPECT_FALSE(view.updateEnabled);
        EXPECT_THAT(view.events, ElementsAre("fileName=", "disableUpdate"));
        EXPECT_EQ(traceLines(), traced()); // the path's banner alone
        clearTrace();
    }
    EXPECT_EQ(device.opens(), 0);
}

TEST_F(GenericPathTest, FileYieldingFewerBytesThanItsSizeEndsTheTransfer) {
    const std::string path = image(10000);
    lpt.onRead(kAnswer);
    // Cut the file short once the first chunk is out.
    lpt.setResponder([&](const ByteVector& written) {
        if (written.size() == 4096) {
            std::filesystem::resize_file(path, 5000);
        }
        return ByteVector{};
    });

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kFailed);

    EXPECT_THAT(Sizes(lpt.writes()), ElementsAre(8u, 4096u));
    EXPECT_EQ(view.messageText, kFailed);
    EXPECT_EQ(view.percentText, "40 %");
    EXPECT_TRUE(view.completions.empty());
    EXPECT_EQ(view.cursorDepth, 0);
}

TEST_F(GenericPathTest, FileGrowingDuringTheTransferIsSentAtItsStartingSize) {
    const std::string path = image(10000);
    lpt.onRead(kAnswer);
    lpt.setResponder([&](const ByteVector& written) {
        if (written.size() == 4096) {
            std::ofstream(path, std::ios::binary | std::ios::app) << std::string(9000, 'x');
        }
        return ByteVector{};
    });

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);

    EXPECT_EQ(Join(lpt.writes(), 1), ToBytes(content));
    EXPECT_EQ(view.positions.at(3), 100);
}

TEST_F(GenericPathTest, TextsComeFromTheLanguageFile) {
    const std::string path = image(4096);
    UseLanguageFile(LanguageFilePath("fr"));
    lpt.onRead(kAnswer);
    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);
    EXPECT_EQ(view.shown.at(0).messageText, "4096 octets transférés");
    EXPECT_EQ(view.completions.at(0).text,
              "Mise à jour terminée ! \nMicrologiciel mis à jour : 1.00 → 1.10");

    // Without a language file every text is empty; the count stays.
    UseLanguageFile(dir.file("none.ini"));
    view = RecordingView{};
    image(4096);
    lpt.onRead(kAnswer);
    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);
    EXPECT_EQ(view.shown.at(0).messageText, "4096 ");
    EXPECT_EQ(view.messagesNow.at(0).text, "");
    EXPECT_EQ(view.completions.at(0).text, "");
    EXPECT_EQ(view.completions.at(0).caption, "");
    EXPECT_EQ(view.messageText, "");
}

// --- the parallel-port path -------------------------------------------------

TEST_F(LptPathTest, SendsThroughTheDeviceItOpensOnce) {
    const std::string path = image(10000);
    int handlesAtBox = -1;
    view.onCompletion = [&] { handlesAtBox = ecp.openHandles(); };

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);

    EXPECT_THAT(traceLines(), ElementsAre(" >> OnUpdate4NtLpt()  <<<"));
    // First a handle of its own drains what the machine holds; then the
    // transfer's one handle.
    ASSERT_EQ(ecp.opens(), 2);
    EXPECT_EQ(ecp.kinds().at(0), FakeDevice::Kind::Open);
    EXPECT_EQ(ecp.atOnceReads(), 1);
    const auto mode = ecp.openModes().at(1);
    EXPECT_TRUE(mode.write);
    EXPECT_FALSE(mode.read);
    EXPECT_FALSE(mode.shared);

    auto controls = ecp.calls(FakeDevice::Kind::DeviceControl);
    ASSERT_EQ(controls.size(), 5u);
    controls.erase(controls.begin(), controls.begin() + 2); // the drain's read mode
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[0].code, 0x182014u);
    EXPECT_EQ(controls[0].bytes, HexBytes("00"));
    EXPECT_EQ(controls[1].code, 0x182004u);
    EXPECT_EQ(controls[1].bytes, HexBytes("10"));
    EXPECT_EQ(controls[2].code, 0x182008u);
    const uint32_t one = 1;
    ByteVector oneBytes(sizeof one);
    std::memcpy(oneBytes.data(), &one, sizeof one);
    EXPECT_EQ(controls[2].bytes, oneBytes);
    for (const auto& c : controls) {
        EXPECT_EQ(c.count, 0u); // no output buffer
    }

    // The device is given back before the machine is asked for its version.
    EXPECT_EQ(handlesAtBox, 0);
    EXPECT_EQ(ecp.openHandles(), 0);
}

TEST_F(LptPathTest, FailingDeviceControlsAreOnlyTraced) {
    const std::string path = image(3000);
    ecp.setDeviceControlDefault(false);

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kCompleted);

    EXPECT_THAT(traceLines(),
                ElementsAre(" >> OnUpdate4NtLpt()  <<<",
                            "[Error: Device can't be set to the H/W mode(Method) you want.]",
                            "[Error: Mode has not been changed.]",
                            "[Error: Direction has not been changed.]"));
    EXPECT_THAT(Sizes(ecp.writes()), ElementsAre(8u, 3000u));
}

TEST_F(LptPathTest, DeviceThatWillNotOpenFails) {
    const std::string path = image(3000);
    ecp.setOpenable(false);

    EXPECT_EQ(transfer.OnUpdate(path), TransferResult::kFailed);

    EXPECT_THAT(traceLines(), ElementsAre(" >> OnUpdate4NtLpt()  <<<", "Failed to open port..."));
    EXPECT_EQ(view.messageText, kFailed);
    EXPECT_EQ(view.shown.back().messageText, kFailed);
    EXPECT_EQ(view.fileName, "chosen.bin");
    EXPECT_TRUE(view.updateEnabled);
    EXPECT_EQ(view.cursorDepth, 0);
    EXPECT_EQ(clock.slept(), 0u);
}

// --- helpers of the page ------------------------------------------------------

TEST(FirmwareHelpers, PercentageIsCutTowardZeroWithoutOverflow) {
    EXPECT_EQ(firmware::Percentage(4096, 10000), 40);
    EXPECT_EQ(firmware::Percentage(8192, 10000), 81);
    EXPECT_EQ(firmware::Percentage(2, 3), 66);
    EXPECT_EQ(firmware::Percentage(0x80000000u, 0xFFFFFFFFu), 50);
    EXPECT_EQ(firmware::Percentage(0xFFFFFFFFu, 0xFFFFFFFFu), 100);
    EXPECT_EQ(firmware::Percentage(0, 0), 0);
    EXPECT_EQ(firmware::SentText(3000000000u, "bytes"), "3000000000 bytes"); // never negative
}

TEST(FirmwareHelpers, BrowseCheckTellsSizeAndProblemWithoutReading) {
    using firmware::FileProblem;
    TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string largest = dir.write("largest.bin", "");
    std::filesystem::resize_file(largest, 4 * kGiB - 1); // sparse
    const std::string over = dir.write("over.bin", "");
    std::filesystem::resize_file(over, 4 * kGiB);
    const std::tuple<std::string, FileProblem, uint64_t> cases[] = {
        {dir.write("a.bin", std::string(262144, 'a')), FileProblem::kNone, 262144},
        {largest, FileProblem::kNone, 4 * kGiB - 1},
        {over, FileProblem::kTooLarge, 4 * kGiB},
        {dir.write("empty.bin", ""), FileProblem::kEmpty, 0},
        {dir.file("missing.bin"), FileProblem::kMissing, 7},
        {dir.path(), FileProblem::kNotRegular, 7},
        {fifo, FileProblem::kNotRegular, 7}, // and does not block
    };
    for (const auto& [path, problem, expectedSize] : cases) {
        uint64_t size = 7; // left alone when the file does not open
        EXPECT_EQ(firmware::CheckFirmwareFile(path, &size), problem) << path;
        EXPECT_EQ(size, expectedSize) << path;
    }
    if (::geteuid() != 0) {
        const std::string locked = dir.write("locked.bin", "x");
        ::chmod(locked.c_str(), 0);
        EXPECT_EQ(firmware::CheckFirmwareFile(locked), FileProblem::kDenied);
    }
    EXPECT_EQ(firmware::FileSizeText(262144), "262144 bytes");
}

TEST(FirmwareLanguages, EveryLanguageHasEveryText) {
    for (const char* language : {"en", "fr", "de"}) {
        SCOPED_TRACE(language);
        UseLanguageFile(LanguageFilePath(language));
        for (const char* key : {"IDS_STRING100", "IDS_STRING102", "IDS_STRING104", "IDS_STRING105",
                                "IDS_STRING106", "IDS_APPNAME", "IDS_FW_FILE_EMPTY",
                                "IDS_FW_FILE_TOO_LARGE", "IDS_FW_FILE_UNREADABLE"}) {
            EXPECT_STRNE(GetLangString("COMMON", key), "") << key;
        }
        for (const char* key : {"CAPTION", "IDL_FILE_INFORMATION", "IDL_FILE_NAME", "IDC_BROWSE",
                                "IDL_FILE_SIZE", "IDL_PROGRESS", "IDL_MESSAGE", "IDC_UPDATE"}) {
            EXPECT_STRNE(GetLangString("FWUP", key), "") << key;
        }
    }
    UseLanguageFile({});
}

} // namespace
