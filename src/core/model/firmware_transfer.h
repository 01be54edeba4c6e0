#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "link/link_state.h"

// Sending a firmware image to the machine: one request switches it into
// firmware-receive mode, then the file goes out in 4096-byte chunks. The
// engine knows nothing of windows; it reports through FirmwareView, which the
// Firmware Update page and the command-line tool both implement.

namespace firmware {

constexpr size_t kChunkSize = 4096;
constexpr size_t kRequestSize = 8;
constexpr int32_t kAnswerSize = 9;

// 1B A5, count 4, then the command bytes; the parallel-port driver takes 40 in
// place of 50.
constexpr uint8_t kLptUpdateRequest[kRequestSize] = {0x1B, 0xA5, 0x00, 0x04,
                                                     0x40, 0xE0, 0x82, 0x05};
constexpr uint8_t kGenericUpdateRequest[kRequestSize] = {0x1B, 0xA5, 0x00, 0x04,
                                                         0x50, 0xE0, 0x82, 0x05};

// Fixed waits, in milliseconds.
constexpr uint32_t kAnswerWaitMs = 500;
constexpr uint32_t kSecondAttemptWaitMs = 6000;
constexpr uint32_t kBeforeDataWaitMs = 5000;
constexpr uint32_t kShortWriteWaitMs = 1000;
constexpr uint32_t kStoreWaitMs = 40000;

// Private controls of the ECP parallel-port driver (device type 0x18,
// buffered, any access; functions 0x805, 0x801, 0x802).
constexpr uint32_t kEcpSetHardwareMode = 0x182014;
constexpr uint32_t kEcpSetMode = 0x182004;
constexpr uint32_t kEcpSetDirection = 0x182008;

// Index of the first ECP driver device in PortTable: the parallel-port path.
constexpr int32_t kEcpPort = 4;

// What the transfer shows. The four texts are page values: they reach the
// screen only with showValues() (showMessageNow() for the message line alone).
class FirmwareView {
  public:
    virtual ~FirmwareView() = default;
    virtual void setFileName(const std::string& text) = 0;
    virtual void setFileSizeText(const std::string& text) = 0;
    virtual void setMessageText(const std::string& text) = 0;
    virtual void setPercentText(const std::string& text) = 0;
    virtual void showValues() = 0;
    virtual void showMessageNow() = 0;
    virtual void setProgressRange(int low, int high) = 0;
    virtual void setProgressPos(int pos) = 0;
    virtual void enableUpdate(bool enable) = 0;
    virtual void setWaitCursor(bool wait) = 0;
    // Message box with an OK button only; returns when the user has answered.
    virtual void showCompletion(const std::string& text, const std::string& caption) = 0;
    // Once a second while the machine stores the image: the seconds left.
    virtual void showStoring(uint32_t secondsLeft) { (void)secondsLeft; }
    // The first byte of the update is about to go out: from here until the
    // transfer returns, cutting it short would leave the machine a partial
    // image.
    virtual void transferStarting() {}
};

enum class TransferResult {
    kFileNotOpened, // the choice was dropped, Update disabled, no message
    kFileRefused,   // not an image that can go out whole: as above, with the reason shown
    kFailed,        // IDS_STRING102 on the message line; the file stays chosen
    kCompleted,     // the page is back to its initial look
    kUnconfirmed,   // sent whole, but the machine did not answer afterwards
};

// What is wrong with a firmware file. The first three keep it from being
// opened; the others are found before anything goes to the machine, which
// would otherwise take whatever comes next on the line as its image.
enum class FileProblem {
    kNone,
    kMissing,    // no such file
    kDenied,     // not readable by the user
    kNotRegular, // a folder, FIFO, socket or device
    kEmpty,      // nothing to send
    kTooLarge,   // beyond the 32-bit byte count of the transfer
    kUnreadable, // yields fewer bytes than its size, or a read error
};

enum class TransferState { kIdle, kOpening, kSending, kStoring, kDone };

// The machine's firmware version, read before the transfer (afterStoring
// false) and once the machine has stored the image; empty when it does not
// answer.
using VersionReader = std::function<std::string(bool afterStoring)>;
std::string ReadMachineFirmwareVersion(LinkState& link, bool afterStoring);

class FirmwareTransfer {
  public:
    // The update goes out through link; without a reader of its own the
    // version is read there too.
    FirmwareTransfer(FirmwareView& view, LinkState& link, VersionReader readVersion = {})
        : view_(view), link_(link), readVersion_(std::move(readVersion)) {
        if (!readVersion_) {
            readVersion_ = [&link](bool afterStoring) {
                return ReadMachineFirmwareVersion(link, afterStoring);
            };
        }
    }

    // The Update button: the parallel-port path on the first ECP driver
    // device, the generic path on every other port.
    TransferResult OnUpdate(const std::string& fileName);
    TransferResult OnUpdate4NtLpt(const std::string& fileName);
    TransferResult OnUpdateGeneric(const std::string& fileName);

    TransferState state() const { return state_; }
    // Bytes of the file sent so far and the total taken at the start of the data.
    uint32_t sent() const { return sent_; }
    uint32_t total() const { return total_; }
    // Why the last transfer did not take its file; kNone when it did.
    FileProblem fileProblem() const { return problem_; }
    // The firmware version the machine reported before the transfer and after
    // it had stored the image; empty when it did not answer.
    const std::string& oldVersion() const { return oldVersion_; }
    const std::string& newVersion() const { return newVersion_; }
    // The other computer whose connection was lost during the last transfer.
    const std::string& lostHost() const { return lostHost_; }

  private:
    class Session;
    TransferResult run(const std::string& fileName, bool lptPath);

    FirmwareView& view_;
    LinkState& link_;
    VersionReader readVersion_;
    TransferState state_ = TransferState::kIdle;
    uint32_t sent_ = 0;
    uint32_t total_ = 0;
    FileProblem problem_ = FileProblem::kNone;
    std::string oldVersion_;
    std::string newVersion_;
    std::string lostHost_;
};

// Browse's look at a file: whether it opens as a regular file and has a size
// that can be sent; the size goes to size when it opens. Its content is read
// only by the transfer.
FileProblem CheckFirmwareFile(const std::string& path, uint64_t* size = nullptr);

// The message line's text for a problem found once the file opened; empty
// for the others, whose choice is dropped without a word.
std::string FileProblemText(FileProblem problem);

// "262144 bytes": the size text of the page.
std::string FileSizeText(uint64_t size);

// "8192 bytes transferred": the message line during the transfer, the count
// unsigned, as the 32-bit counter holds it.
std::string SentText(uint32_t sent, const std::string& unit);

// Percentage of sent over total, cut toward zero; 0 for an empty total.
int Percentage(uint32_t sent, uint32_t total);

} // namespace firmware
