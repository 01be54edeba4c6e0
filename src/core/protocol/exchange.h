#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "link/link_state.h"

// Request and answer frames: 1B A4, a 16-bit big-endian count of the bytes
// after the first four, 50 E0 82, operation, record code, then data.
// Answers carry their data from byte 10.
namespace frame {
constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kHead = 0xA4;
constexpr uint8_t kFirmwareHead = 0xA5;
constexpr uint8_t kMarker[] = {0x50, 0xE0, 0x82};
constexpr uint8_t kOpInquiry = 0xC0;
constexpr uint8_t kOpRead = 0xC1;
constexpr uint8_t kOpWrite = 0xC2;
constexpr uint8_t kRecordStatus = 0x40;
constexpr uint8_t kRecordSetup = 0x41;
constexpr uint8_t kRecordPhonebook = 0x42;
constexpr uint8_t kRecordInfo = 0x43;
constexpr int kDataOffset = 10;
// 1B A4, count, 50 E0 82, operation, record code.
constexpr int kRequestHeadSize = 9;

// The head of a request: 1B A4, the count, 50 E0 82, then tail (operation,
// record code, ...). dataSize bytes are to follow it.
template <size_t N>
constexpr std::array<uint8_t, 7 + N> Request(const uint8_t (&tail)[N], int dataSize = 0) {
    const int count = 3 + static_cast<int>(N) + dataSize;
    std::array<uint8_t, 7 + N> head = {kEsc, kHead, 0, 0, kMarker[0], kMarker[1], kMarker[2]};
    head[2] = static_cast<uint8_t>(count >> 8);
    head[3] = static_cast<uint8_t>(count);
    for (size_t i = 0; i < N; ++i) {
        head[7 + i] = tail[i];
    }
    return head;
}
} // namespace frame

// Writes count bytes to the debug output, eight a line.
void HexDump(const uint8_t* bytes, int32_t count);

// Waits until at least n ms have passed on the tick counter (unsigned
// difference); returns the difference. Yields the processor while waiting.
uint32_t DelayMs(uint32_t n);

// Waits until the tick counter reaches entry + n (unsigned); returns at once
// when that sum wraps. Yields the processor while waiting.
void PauseMs(uint32_t n);

// How long one exchange may take in all: its fixed waits, for every device
// call in it that may wait on the machine the longest first-byte wait a port
// gives (the USB library's 5 s), and a millisecond for every byte that travels
// (a healthy machine moves well over 1 KB a second even on the parallel
// port). A healthy machine never reaches it; one that trickles its answer is
// cut off there instead of holding the program for minutes.
constexpr uint32_t kFirstByteAllowanceMs = 5000;
constexpr uint32_t kMsPerByte = 1;
constexpr uint32_t ExchangeBudgetMs(uint32_t fixedWaitsMs, uint32_t waits, uint32_t bytes) {
    return fixedWaitsMs + waits * kFirstByteAllowanceMs + bytes * kMsPerByte;
}

// One exchange: what the machine still holds from an earlier one is dropped
// before the request, and the exchange has budgetMs in all while this lives.
class ExchangeScope {
  public:
    ExchangeScope(LinkState& link, uint32_t budgetMs);
    ~ExchangeScope();
    ExchangeScope(const ExchangeScope&) = delete;
    ExchangeScope& operator=(const ExchangeScope&) = delete;

  private:
    LinkState& link_;
};

// How a request that is answered in one read runs.
struct AnswerSteps {
    const char* banner; // traced after the write
    uint32_t delayMs;   // between the write and the read
    int32_t answerSize; // asked of the read
    const char* allocationFailure;
    bool dumpWholeBuffer; // else only what was read
};

struct Answer {
    std::unique_ptr<uint8_t[]> bytes; // answerSize bytes, zeros after what came
    int32_t received = 0;
};

// Writes the request, waits and reads the answer, with their traces, as one
// exchange (ExchangeScope). No bytes when the request was not written whole
// or memory was short.
Answer ReadAnswer(LinkState& link, std::span<const uint8_t> request, const AnswerSteps& steps);

// The count an answer announces in bytes 2..3; 0 when four bytes or fewer came.
int32_t AnnouncedLength(const uint8_t* answer, int32_t received);

// Whether the answer to a write is a frame: 1B A4 and exactly the count it
// announces (four bytes with any count).
bool AcknowledgementWellFormed(const uint8_t* answer, int32_t received);

// Whether an answer may be taken: it begins 1B A4, at least need bytes came
// and the count it announces covers them. Bytes 4..9 are not examined. An
// answer that announces more than came is taken when need bytes are in.
bool AnswerCovers(const uint8_t* answer, int32_t received, int32_t need);
