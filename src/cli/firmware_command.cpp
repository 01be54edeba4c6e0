#include <ostream>
#include <string>

#include "cli/cli_command.h"
#include "model/firmware_transfer.h"

namespace {

constexpr int kExitFailed = 1;

// Progress of the transfer on standard error: one line whenever the
// percentage moves, and the phases that take long.
class CliFirmwareView : public firmware::FirmwareView {
  public:
    explicit CliFirmwareView(std::ostream& err) : err_(err) {}
    void attach(const firmware::FirmwareTransfer& transfer) { transfer_ = &transfer; }

    void setFileName(const std::string&) override {}
    void setFileSizeText(const std::string&) override {}
    void setMessageText(const std::string&) override {}
    void setPercentText(const std::string&) override {}
    void setProgressRange(int, int) override {}
    void setProgressPos(int pos) override { percent_ = pos; }
    void enableUpdate(bool) override {}
    void setWaitCursor(bool) override {}

    void showValues() override {
        if (!transfer_ || transfer_->state() != firmware::TransferState::kSending) {
            return;
        }
        const uint32_t sent = transfer_->sent();
        if (sent == 0 || percent_ == shownPercent_) {
            return;
        }
        shownPercent_ = percent_;
        err_ << "firmware: " << sent << " of " << transfer_->total() << " bytes sent (" << percent_
             << " %)" << std::endl;
    }

    void showMessageNow() override {
        const uint32_t total = transfer_ ? transfer_->total() : 0;
        err_ << "firmware: " << total
             << " bytes sent; waiting 40 s while the machine stores the image" << std::endl;
    }

    void showCompletion(const std::string&, const std::string&) override {
        err_ << "firmware: update complete" << std::endl;
    }

  private:
    std::ostream& err_;
    const firmware::FirmwareTransfer* transfer_ = nullptr;
    int percent_ = 0;
    int shownPercent_ = -1;
};

// Why the file was not sent, after its name.
const char* Reason(firmware::FileProblem problem) {
    switch (problem) {
    case firmware::FileProblem::kMissing:
        return "no such file";
    case firmware::FileProblem::kDenied:
        return "permission denied";
    case firmware::FileProblem::kNotRegular:
        return "not a regular file (a folder, device or pipe)";
    case firmware::FileProblem::kEmpty:
        return "the file is empty";
    case firmware::FileProblem::kTooLarge:
        return "the file is larger than the 4294967295 bytes an update can carry";
    case firmware::FileProblem::kUnreadable:
        return "the file cannot be read in full";
    case firmware::FileProblem::kNone:
        break;
    }
    return "unknown reason";
}

int RunFirmware(const cli::Args& args, cli::Io& io) {
    const std::string& file = args.at(0);
    CliFirmwareView view(io.err);
    firmware::FirmwareTransfer transfer(view);
    view.attach(transfer);
    io.err << "firmware: sending " << file << std::endl;
    switch (transfer.OnUpdate(file)) {
    case firmware::TransferResult::kCompleted:
        return cli::kExitOk;
    case firmware::TransferResult::kFileNotOpened:
        io.err << "firmware: cannot open " << file << ": " << Reason(transfer.fileProblem())
               << std::endl;
        return kExitFailed;
    case firmware::TransferResult::kFileRefused:
        io.err << "firmware: not sending " << file << ": " << Reason(transfer.fileProblem())
               << "; nothing was sent to the machine" << std::endl;
        return kExitFailed;
    case firmware::TransferResult::kFailed:
        break;
    }
    io.err << "firmware: failed to write data";
    if (transfer.total() > 0) {
        io.err << " (" << transfer.sent() << " of " << transfer.total() << " bytes sent)";
    }
    io.err << std::endl;
    return kExitFailed;
}

const cli::Registrar firmwareCommand({
    .words = {"firmware"},
    .usage = "firmware FILE",
    .help = "Send the firmware image FILE to the machine; exits 0 once it is stored.",
    .run = RunFirmware,
    .minArgs = 1,
    .maxArgs = 1,
});

} // namespace
