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
#include <sys/stat.h>
#include <unistd.h>

#include "link/port.h"
#include "model/lang_text.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/device.h"

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

// Copied at once: the lookup buffer is shared.
std::string Common(const char* key) {
    return GetLangString("COMMON", key);
}

// A firmware file open for reading. Only regular files qualify: a folder or a
// pipe cannot be sent whole, and opening a pipe must not block.
class ImageFile {
  public:
    ImageFile() = default;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    ~ImageFile() { close(); }

    bool open(const std::string& path) {
        close();
        if (path.empty()) {
            return false;
        }
        int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            return false;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return false;
        }
        int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) {
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        }
        fd_ = fd;
        return true;
    }

    std::optional<uint64_t> size() const {
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size < 0) {
            return std::nullopt;
        }
        return static_cast<uint64_t>(st.st_size);
    }

    // Reads up to count bytes; fewer only at the end of the file or on an error.
    size_t read(uint8_t* data, size_t count) {
        size_t got = 0;
        while (got < count) {
            ssize_t r = ::read(fd_, data + got, count - got);
            if (r < 0 && errno == EINTR) {
                continue;
            }
            if (r <= 0) {
                break;
            }
            got += static_cast<size_t>(r);
        }
        return got;
    }

    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_ = -1;
};

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
        if (!file_.open(fileName)) {
            view_.setFileName("");
            view_.enableUpdate(false);
            return TransferResult::kFileNotOpened;
        }
        view_.setWaitCursor(true);

        TransferResult result = TransferResult::kFailed;
        buffer_.reset(new (std::nothrow) uint8_t[kChunkSize]());
        if (!buffer_) {
            if (lptPath_) {
                Trace("Error on writing to port.");
            }
            fail();
        } else if (!(lptPath_ ? openLptDevice() : askGeneric())) {
            fail();
        } else {
            result = sendImage();
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

    uint32_t write(const uint8_t* data, size_t count) {
        if (count == 0) {
            return 0;
        }
        if (lptPath_) {
            return Bounded(device_->write(data, count), count);
        }
        return Bounded(PortWrite(data, static_cast<int32_t>(count)), count);
    }

    bool openLptDevice() {
        // Start with nothing queued, as every other command does.
        PortDiscard();
        const char* name = currentPort >= 0 && currentPort < kPortCount ? PortTable[currentPort]
                                                                        : PortTable[kEcpPort];
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
        PortDiscard();
        if (write(kGenericUpdateRequest, kRequestSize) < kRequestSize) {
            return false;
        }
        platform::Sleep(kAnswerWaitMs);
        int32_t got = PortRead(buffer_.get(), kAnswerSize);
        if (got == kAnswerSize && buffer_[0] == 0x1B) {
            return true;
        }
        Trace("FwUp: Failed to read response ");
        platform::Sleep(kSecondAttemptWaitMs);
        if (write(kGenericUpdateRequest, kRequestSize) < kRequestSize) {
            return false;
        }
        platform::Sleep(kAnswerWaitMs);
        return PortRead(buffer_.get(), kAnswerSize) == kAnswerSize;
    }

    TransferResult sendImage() {
        // The image goes out as it is now; an image beyond the 32-bit counters
        // would go out cut short, so it is not sent at all.
        std::optional<uint64_t> size = file_.size();
        if (!size || *size > std::numeric_limits<uint32_t>::max()) {
            fail();
            return TransferResult::kFailed;
        }
        owner_.state_ = TransferState::kSending;
        const uint32_t total = static_cast<uint32_t>(*size);
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
            view_.setMessageText(Format("%u ", sent) + sentText);
            view_.showValues();
        }

        owner_.state_ = TransferState::kStoring;
        view_.setMessageText(Common("IDS_STRING105"));
        view_.showMessageNow();
        platform::Sleep(kStoreWaitMs);

        owner_.state_ = TransferState::kDone;
        const std::string text = Common("IDS_STRING106");
        const std::string caption = Common("IDS_APPNAME");
        view_.showCompletion(text, caption);

        view_.setMessageText(Common("IDS_STRING100"));
        view_.setFileName("");
        view_.setFileSizeText("");
        view_.setProgressPos(0);
        view_.setPercentText("");
        view_.enableUpdate(false);
        return TransferResult::kCompleted;
    }

    FirmwareTransfer& owner_;
    FirmwareView& view_;
    const bool lptPath_;
    ImageFile file_;
    std::unique_ptr<uint8_t[]> buffer_;
    std::unique_ptr<platform::Device> device_;
};

TransferResult FirmwareTransfer::OnUpdate(const std::string& fileName) {
    return run(fileName, currentPort == kEcpPort);
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
    Session session(*this, lptPath);
    TransferResult result = session.run(fileName);
    state_ = TransferState::kIdle;
    return result;
}

std::optional<uint64_t> FirmwareFileSize(const std::string& path) {
    ImageFile file;
    if (!file.open(path)) {
        return std::nullopt;
    }
    return file.size();
}

std::string FileSizeText(uint64_t size) {
    return Format("%llu %s", static_cast<unsigned long long>(size), "bytes");
}

int Percentage(uint32_t sent, uint32_t total) {
    if (total == 0) {
        return 0;
    }
    return static_cast<int>(static_cast<double>(sent) * 100.0 / static_cast<double>(total));
}

} // namespace firmware
