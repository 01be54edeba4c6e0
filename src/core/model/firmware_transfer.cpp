#include "model/firmware_transfer.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "link/port.h"
#include "model/lang_text.h"
#include "model/utf8_text.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/device.h"
#include "platform/regular_file.h"
#include "platform/remote_device.h"
#include "protocol/inquiry.h"
#include "protocol/record_table.h"

namespace firmware {

namespace {

void Trace(const char* text) {
    platform::OutputDebugString(text);
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) {
        return {};
    }
    return std::string(text, std::min(static_cast<size_t>(n), sizeof text - 1));
}

// text with its first %s replaced by host; the language file's text is no
// format string.
std::string WithHost(std::string text, const std::string& host) {
    if (const size_t at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, host);
    }
    return text;
}

// Copied at once: the lookup buffer is shared.
std::string Common(const char* key) {
    return GetLangString("COMMON", key);
}

// A firmware file open for reading.
class ImageFile {
  public:
    FileProblem open(const std::string& path) {
        platform::OpenFileError error = platform::OpenFileError::kNone;
        file_ = platform::OpenRegularFile(path, &error);
        switch (error) {
        case platform::OpenFileError::kNone:
            return FileProblem::kNone;
        case platform::OpenFileError::kDenied:
            return FileProblem::kDenied;
        case platform::OpenFileError::kNotRegular:
            return FileProblem::kNotRegular;
        case platform::OpenFileError::kOther:
            return FileProblem::kUnreadable;
        case platform::OpenFileError::kMissing:
            break;
        }
        return FileProblem::kMissing;
    }

    std::optional<uint64_t> size() const {
        struct stat st {};
        if (::fstat(file_.get(), &st) != 0 || st.st_size < 0) {
            return std::nullopt;
        }
        return static_cast<uint64_t>(st.st_size);
    }

    // Reads the first count bytes through buffer and goes back to the start:
    // a file that claims a size it does not deliver (a kernel file, a bad
    // disk) is caught before the machine is put into receive mode.
    bool deliversWhole(uint8_t* buffer, size_t bufferSize, uint32_t count) {
        uint32_t left = count;
        while (left > 0) {
            const size_t want = std::min<size_t>(bufferSize, left);
            if (read(buffer, want) != want) {
                return false;
            }
            left -= static_cast<uint32_t>(want);
        }
        return ::lseek(file_.get(), 0, SEEK_SET) == 0;
    }

    // Reads up to count bytes; fewer only at the end of the file or on an error.
    size_t read(uint8_t* data, size_t count) {
        const long got = platform::ReadFully(file_.get(), data, count);
        return got < 0 ? 0 : static_cast<size_t>(got);
    }

    void close() { file_.reset(); }

  private:
    platform::FileDescriptor file_;
};

// Whether an image of this size can go out: the transfer counts its bytes in
// 32 bits, and an empty one would leave the machine waiting in receive mode.
FileProblem SizeProblem(std::optional<uint64_t> size) {
    if (!size) {
        return FileProblem::kUnreadable;
    }
    if (*size == 0) {
        return FileProblem::kEmpty;
    }
    if (*size > std::numeric_limits<uint32_t>::max()) {
        return FileProblem::kTooLarge;
    }
    return FileProblem::kNone;
}

std::string Replaced(std::string text, const char* marker, const std::string& value) {
    if (const size_t at = text.find(marker); at != std::string::npos) {
        text.replace(at, std::strlen(marker), value);
    }
    return text;
}

// A driver's write result as a count within 0..limit.
uint32_t Bounded(long result, size_t limit) {
    if (result <= 0) {
        return 0;
    }
    return static_cast<uint32_t>(std::min(static_cast<size_t>(result), limit));
}

} // namespace

// One press of Update, from the open file to the closing up.
class FirmwareTransfer::Session {
  public:
    Session(FirmwareTransfer& owner, bool lptPath)
        : owner_(owner), view_(owner.view_), lptPath_(lptPath) {}

    TransferResult run(const std::string& fileName) {
        if (lptPath_) {
            Trace(" >> OnUpdate4NtLpt()  <<<");
        }
        if (const FileProblem problem = file_.open(fileName); problem != FileProblem::kNone) {
            owner_.problem_ = problem;
            view_.setFileName("");
            view_.enableUpdate(false);
            return TransferResult::kFileNotOpened;
        }
        view_.setWaitCursor(true);

        // Everything about the file is settled before the first byte goes
        // out: once the machine is in receive mode it stores whatever comes.
        TransferResult result = TransferResult::kFailed;
        const std::optional<uint64_t> size = file_.size();
        FileProblem problem = SizeProblem(size);
        const uint32_t total = problem == FileProblem::kNone ? static_cast<uint32_t>(*size) : 0;
        buffer_.reset(new (std::nothrow) uint8_t[kChunkSize]());
        if (problem == FileProblem::kNone && buffer_ &&
            !file_.deliversWhole(buffer_.get(), kChunkSize, total)) {
            problem = FileProblem::kUnreadable;
        }
        if (problem != FileProblem::kNone) {
            result = refuse(problem);
        } else if (!buffer_) {
            if (lptPath_) {
                Trace("Error on writing to port.");
            }
            fail();
        } else {
            // The version before, for the completion box to compare with.
            owner_.oldVersion_ = owner_.readVersion_(false);
            view_.transferStarting();
            if (lptPath_ ? openLptDevice() : askGeneric()) {
                result = sendImage(total);
            } else {
                fail();
            }
        }
        if (result == TransferResult::kFailed) {
            owner_.lostHost_ = platform::TakeLostRemoteHost();
            if (!owner_.lostHost_.empty()) {
                view_.setMessageText(WithHost(Common("IDS_FW_CONNECTION_LOST"), owner_.lostHost_));
            }
        }

        // Closing up, on every way out once the cursor is showing.
        view_.showValues();
        buffer_.reset();
        device_.reset();
        file_.close();
        view_.setWaitCursor(false);
        return result;
    }

  private:
    void fail() {
        view_.setMessageText(Common("IDS_STRING102"));
        view_.showValues();
    }

    // The file will not do: dropped as an unopened one is, with the reason.
    TransferResult refuse(FileProblem problem) {
        owner_.problem_ = problem;
        view_.setMessageText(FileProblemText(problem));
        view_.setFileName("");
        view_.setFileSizeText("");
        view_.enableUpdate(false);
        return TransferResult::kFileRefused;
    }

    uint32_t write(const uint8_t* data, size_t count) {
        if (count == 0) {
            return 0;
        }
        if (lptPath_) {
            return Bounded(device_->write(data, count), count);
        }
        return Bounded(PortWrite(owner_.link_, data, static_cast<int32_t>(count)), count);
    }

    bool openLptDevice() {
        // Start with nothing queued, as every other command does.
        PortDiscard(owner_.link_);
        const int32_t port = owner_.link_.currentPort;
        const char* name = port >= 0 && port < kPortCount ? PortTable[port] : PortTable[kEcpPort];
        device_ = platform::OpenDevice(name, {.write = true});
        if (!device_) {
            Trace("Failed to open port...");
            return false;
        }
        const uint8_t hardwareMode = 0x00;
        if (!device_->deviceControl(kEcpSetHardwareMode, &hardwareMode, 1, nullptr, 0)) {
            Trace("[Error: Device can't be set to the H/W mode(Method) you want.]");
        }
        const uint8_t mode = 0x10;
        if (!device_->deviceControl(kEcpSetMode, &mode, 1, nullptr, 0)) {
            Trace("[Error: Mode has not been changed.]");
        }
        const uint32_t direction = 1;
        uint8_t directionBytes[sizeof direction];
        std::memcpy(directionBytes, &direction, sizeof direction);
        if (!device_->deviceControl(kEcpSetDirection, directionBytes, sizeof directionBytes,
                                    nullptr, 0)) {
            Trace("[Error: Direction has not been changed.]");
        }
        if (write(kLptUpdateRequest, kRequestSize) < kRequestSize) {
            Trace("Error on writing to port. - Update command");
            return false;
        }
        return true;
    }

    // Sends the request and waits for the machine's 9-byte answer; a second
    // attempt takes any 9 bytes.
    bool askGeneric() {
        // An old answer left in the machine would be read as this one's.
        PortDiscard(owner_.link_);
        if (write(kGenericUpdateRequest, kRequestSize) < kRequestSize) {
            return false;
        }
        platform::Sleep(kAnswerWaitMs);
        int32_t got = PortRead(owner_.link_, buffer_.get(), kAnswerSize);
        if (got == kAnswerSize && buffer_[0] == 0x1B) {
            return true;
        }
        Trace("FwUp: Failed to read response ");
        platform::Sleep(kSecondAttemptWaitMs);
        if (write(kGenericUpdateRequest, kRequestSize) < kRequestSize) {
            return false;
        }
        platform::Sleep(kAnswerWaitMs);
        return PortRead(owner_.link_, buffer_.get(), kAnswerSize) == kAnswerSize;
    }

    // The image goes out at the size it had when checked, even if it grows.
    TransferResult sendImage(uint32_t total) {
        owner_.state_ = TransferState::kSending;
        owner_.total_ = total;
        view_.setProgressRange(0, 100);
        view_.setProgressPos(0);
        uint32_t sent = 0;
        owner_.sent_ = 0;
        platform::Sleep(kBeforeDataWaitMs);

        // Looked up once: the language file is read again on every lookup.
        const std::string sentText = Common("IDS_STRING104");
        while (sent < total) {
            const size_t want = std::min<size_t>(kChunkSize, total - sent);
            const size_t length = file_.read(buffer_.get(), want);
            if (length < want) {
                // The file yields fewer bytes than its size: the image cannot
                // go out whole.
                view_.setMessageText(Common("IDS_STRING102"));
                return TransferResult::kFailed;
            }
            uint32_t written = write(buffer_.get(), length);
            if (written < length) {
                Trace(Format("FwUp: Data written - %d ", static_cast<int>(written)).c_str());
                platform::Sleep(kShortWriteWaitMs);
                uint32_t last = write(buffer_.get() + written, length - written);
                if (last == 0) {
                    platform::Sleep(kShortWriteWaitMs);
                    last = write(buffer_.get() + written, length - written);
                }
                written += last;
                if (written < length) {
                    view_.setMessageText(Common("IDS_STRING102"));
                    return TransferResult::kFailed;
                }
            }
            sent += written;
            owner_.sent_ = sent;
            const int percent = Percentage(sent, total);
            view_.setProgressPos(percent);
            view_.setPercentText(Format("%d %%", percent));
            view_.setMessageText(SentText(sent, sentText));
            view_.showValues();
        }

        owner_.state_ = TransferState::kStoring;
        view_.setMessageText(Common("IDS_STRING105"));
        view_.showMessageNow();
        // The same wait, told second by second.
        for (uint32_t left = kStoreWaitMs; left > 0;) {
            view_.showStoring((left + 999) / 1000);
            const uint32_t step = std::min<uint32_t>(left, 1000);
            platform::Sleep(step);
            left -= step;
        }

        // Only the machine can say that it took the image: the parallel port
        // reads nothing back, and the generic path's answer came before it.
        device_.reset();
        owner_.newVersion_ = owner_.readVersion_(true);
        owner_.state_ = TransferState::kDone;
        std::string text = Common("IDS_FW_UNCONFIRMED");
        if (!owner_.newVersion_.empty()) {
            text = owner_.oldVersion_.empty()
                       ? Replaced(Common("IDS_FW_UPDATED_TO"), "%1", owner_.newVersion_)
                       : Replaced(Replaced(Common("IDS_FW_UPDATED"), "%1", owner_.oldVersion_),
                                  "%2", owner_.newVersion_);
            const std::string done = Common("IDS_STRING106");
            text = text.empty() ? done : done.empty() ? text : done + "\n" + text;
        }
        view_.showCompletion(text, Common("IDS_APPNAME"));

        view_.setMessageText(Common("IDS_STRING100"));
        view_.setFileName("");
        view_.setFileSizeText("");
        view_.setProgressPos(0);
        view_.setPercentText("");
        view_.enableUpdate(false);
        return owner_.newVersion_.empty() ? TransferResult::kUnconfirmed
                                          : TransferResult::kCompleted;
    }

    FirmwareTransfer& owner_;
    FirmwareView& view_;
    const bool lptPath_;
    ImageFile file_;
    std::unique_ptr<uint8_t[]> buffer_;
    std::unique_ptr<platform::Device> device_;
};

TransferResult FirmwareTransfer::OnUpdate(const std::string& fileName) {
    return run(fileName, link_.currentPort == kEcpPort);
}

TransferResult FirmwareTransfer::OnUpdate4NtLpt(const std::string& fileName) {
    return run(fileName, true);
}

TransferResult FirmwareTransfer::OnUpdateGeneric(const std::string& fileName) {
    return run(fileName, false);
}

TransferResult FirmwareTransfer::run(const std::string& fileName, bool lptPath) {
    if (state_ != TransferState::kIdle) {
        return TransferResult::kFailed; // one transfer at a time
    }
    state_ = TransferState::kOpening;
    sent_ = 0;
    total_ = 0;
    problem_ = FileProblem::kNone;
    oldVersion_.clear();
    newVersion_.clear();
    lostHost_.clear();
    platform::TakeLostRemoteHost(); // only a loss during this transfer counts
    Session session(*this, lptPath);
    TransferResult result = session.run(fileName);
    state_ = TransferState::kIdle;
    return result;
}

// The information record is left as the Information page last read it. After
// storing, the inquiry wakes the machine as at start-up; the pages shown stay
// those of the class found then.
std::string ReadMachineFirmwareVersion(LinkState& link, bool afterStoring) {
    if (afterStoring) {
        // Only to wake the machine: the class it tells is not taken.
        InquiryRecord scratch{};
        Mfp_Inquiry(link, scratch);
    }
    MachineInfo info{};
    if (!GetRecord(link, kInfoRecord, &info)) {
        return {};
    }
    return Latin1ToUtf8(std::string_view(
        info.firmwareVersion, strnlen(info.firmwareVersion, sizeof info.firmwareVersion)));
}

FileProblem CheckFirmwareFile(const std::string& path, uint64_t* size) {
    ImageFile file;
    if (const FileProblem problem = file.open(path); problem != FileProblem::kNone) {
        return problem;
    }
    const std::optional<uint64_t> found = file.size();
    if (size && found) {
        *size = *found;
    }
    return SizeProblem(found);
}

std::string FileProblemText(FileProblem problem) {
    switch (problem) {
    case FileProblem::kEmpty:
        return Common("IDS_FW_FILE_EMPTY");
    case FileProblem::kTooLarge:
        return Common("IDS_FW_FILE_TOO_LARGE");
    case FileProblem::kUnreadable:
        return Common("IDS_FW_FILE_UNREADABLE");
    case FileProblem::kNone:
    case FileProblem::kMissing:
    case FileProblem::kDenied:
    case FileProblem::kNotRegular:
        break;
    }
    return {};
}

std::string FileSizeText(uint64_t size) {
    return Format("%llu %s", static_cast<unsigned long long>(size), "bytes");
}

std::string SentText(uint32_t sent, const std::string& unit) {
    return Format("%u ", sent) + unit;
}

int Percentage(uint32_t sent, uint32_t total) {
    if (total == 0) {
        return 0;
    }
    return static_cast<int>(static_cast<double>(sent) * 100.0 / static_cast<double>(total));
}

} // namespace firmware
