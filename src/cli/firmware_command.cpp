#include <algorithm>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli_command.h"
#include "cli/cli_output.h"
#include "model/firmware_transfer.h"
#include "model/panel_context.h"
#include "platform/clock.h"
#include "platform/deferred_signals.h"

namespace {

constexpr int kBarWidth = 30;

// Progress of the transfer on standard output, never on standard error where
// the trace goes: one bar redrawn in place on a terminal, else a line
// whenever the percentage moves.
class CliFirmwareView : public firmware::FirmwareView {
  public:
    // quiet: no progress at all, for --json.
    CliFirmwareView(std::ostream& out, bool bar, bool quiet)
        : out_(out), bar_(bar), quiet_(quiet) {}
    void attach(const firmware::FirmwareTransfer& transfer) { transfer_ = &transfer; }

    void setFileName(const std::string&) override {}
    void setFileSizeText(const std::string&) override {}
    void setMessageText(const std::string&) override {}
    void setPercentText(const std::string&) override {}
    void setProgressRange(int, int) override { dataStart_ = platform::GetTickCount(); }
    void setProgressPos(int pos) override { percent_ = pos; }
    void enableUpdate(bool) override {}
    void setWaitCursor(bool) override {}

    void showValues() override {
        if (!transfer_ || transfer_->state() != firmware::TransferState::kSending) {
            return;
        }
        updateNotice();
        const uint32_t sent = transfer_->sent();
        if (quiet_ || sent == 0 || percent_ == shownPercent_) {
            return;
        }
        shownPercent_ = percent_;
        const std::string bytes =
            std::to_string(sent) + " of " + std::to_string(transfer_->total()) + " bytes";
        if (bar_) {
            const int filled = percent_ * kBarWidth / 100;
            out_ << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, '.')
                 << "] " << percent_ << "%  " << bytes << std::flush;
            barOpen_ = true;
        } else {
            out_ << percent_ << "% (" << bytes << ")" << std::endl;
        }
    }

    void showMessageNow() override {
        storeStart_ = platform::GetTickCount();
        updateNotice();
        endBar();
        if (quiet_) {
            return;
        }
        const uint32_t total = transfer_ ? transfer_->total() : 0;
        out_ << "firmware: " << total
             << " bytes sent; the machine is storing the image (40 s), do not switch it off"
             << std::endl;
    }

    // The cli words the outcome itself, from the versions the transfer read.
    void showCompletion(const std::string&, const std::string&) override {}

    // Cutting the image short would leave the machine a broken firmware:
    // signals wait for the end of the transfer.
    void transferStarting() override {
        signals_.emplace();
        updateNotice();
    }
    // Whether a signal came during the transfer; its handling is back.
    bool endTransfer() {
        const bool caught = signals_ && signals_->Caught();
        signals_.reset();
        return caught;
    }

    // A bar left open gets its line ended before any other line.
    void endBar() {
        if (barOpen_) {
            out_ << "\n";
            barOpen_ = false;
        }
    }

  private:
    // What is left: the data at the pace so far, then the storing.
    void updateNotice() {
        if (!signals_ || !transfer_) {
            return;
        }
        const uint32_t now = platform::GetTickCount();
        uint64_t leftMs = firmware::kBeforeDataWaitMs + firmware::kStoreWaitMs;
        if (transfer_->state() == firmware::TransferState::kStoring) {
            leftMs = firmware::kStoreWaitMs - std::min(now - storeStart_, firmware::kStoreWaitMs);
        } else if (transfer_->sent() > 0) {
            leftMs = uint64_t{transfer_->total() - transfer_->sent()} * (now - dataStart_) /
                         transfer_->sent() +
                     firmware::kStoreWaitMs;
        }
        signals_->SetNotice(std::string(bar_ ? "\n" : "") +
                            "The update cannot be interrupted without damaging the machine's "
                            "firmware; it ends in about " +
                            std::to_string(std::max<uint64_t>(1, (leftMs + 999) / 1000)) + " s\n");
    }

    std::ostream& out_;
    const bool bar_;
    const bool quiet_;
    bool barOpen_ = false;
    const firmware::FirmwareTransfer* transfer_ = nullptr;
    int percent_ = 0;
    int shownPercent_ = -1;
    uint32_t dataStart_ = 0;
    uint32_t storeStart_ = 0;
    std::optional<platform::DeferredSignals> signals_;
};

// Why the file is not sent, after its name.
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

std::string FileRefused(const std::string& file, firmware::FileProblem problem) {
    return "firmware file '" + cli::EscapeText(file) + "': " + Reason(problem) +
           "; nothing was sent to the machine";
}

// A person at a terminal says yes; a script says --yes.
bool Confirmed(const std::string& file, uint64_t size, cli::Io& io) {
    if (io.options.yes) {
        return true;
    }
    if (!io.inTerminal || io.in == nullptr) {
        cli::Fail(io, cli::kExitUsage,
                  "firmware: standard input is not a terminal to confirm on; add --yes to send '" +
                      cli::EscapeText(file) + "' without asking");
        return false;
    }
    io.err << "Firmware file: " << cli::EscapeText(file) << "\n"
           << "Size:          " << size << " bytes\n"
           << "The machine must stay on until it has stored the image.\n"
           << "Send it to the machine? [y/N] " << std::flush;
    std::string answer;
    std::getline(*io.in, answer);
    if (answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes") {
        return true;
    }
    cli::Fail(io, cli::kExitUsage, "firmware not sent");
    return false;
}

// The outcome of a transfer that reached the machine; a file refused before
// prints nothing, as any command that ends before its result.
void PrintResultJson(firmware::TransferResult result, const firmware::FirmwareTransfer& transfer,
                     std::ostream& out) {
    const char* said = result == firmware::TransferResult::kCompleted     ? "complete"
                       : result == firmware::TransferResult::kUnconfirmed ? "unconfirmed"
                       : result == firmware::TransferResult::kFailed      ? "failed"
                                                                          : nullptr;
    if (said == nullptr) {
        return;
    }
    cli::Json object = cli::Json::Object();
    object.set("result", cli::Json::String(said));
    object.set("sent", cli::Json::Number(transfer.sent()));
    object.set("total", cli::Json::Number(transfer.total()));
    if (result == firmware::TransferResult::kCompleted) {
        object.set("versionBefore", cli::Json::String(transfer.oldVersion()));
        object.set("versionAfter", cli::Json::String(transfer.newVersion()));
    }
    object.write(out);
}

// The file is checked and the update confirmed before the machine is opened.
int RunFirmware(PanelContext& context, const cli::Args& args, cli::Io& io) {
    const std::string& file = args.at(0);
    if (file == "-") {
        return cli::Fail(io, cli::kExitUsage,
                         "firmware: the image must be a file, not standard input: its size is "
                         "checked and shown before anything is sent");
    }
    uint64_t size = 0;
    if (const firmware::FileProblem problem = firmware::CheckFirmwareFile(file, &size);
        problem != firmware::FileProblem::kNone) {
        return cli::Fail(io, cli::kExitUsage, FileRefused(file, problem));
    }
    if (!Confirmed(file, size, io)) {
        return cli::kExitUsage;
    }
    // A bar redrawn in place would tear the trace lines on the same terminal.
    const bool json = io.options.json;
    const bool bar = io.outTerminal && !io.options.verbose && !json;
    return cli::WithMachine(context, io, [&] {
        CliFirmwareView view(io.out, bar, json);
        firmware::FirmwareTransfer transfer(view, context.link);
        view.attach(transfer);
        const firmware::TransferResult result = transfer.OnUpdate(file);
        const bool interrupted = view.endTransfer();
        view.endBar();
        if (json) {
            PrintResultJson(result, transfer, io.out);
        }
        switch (result) {
        case firmware::TransferResult::kCompleted:
            if (json) {
                return interrupted ? cli::kExitInterrupted : cli::kExitOk;
            }
            io.out << "firmware: update complete: firmware "
                   << (transfer.oldVersion().empty()
                           ? ""
                           : cli::EscapeText(transfer.oldVersion()) + " \xE2\x86\x92 ")
                   << cli::EscapeText(transfer.newVersion()) << std::endl;
            return interrupted ? cli::kExitInterrupted : cli::kExitOk;
        case firmware::TransferResult::kUnconfirmed:
            return cli::Fail(io, cli::kExitNotResponding,
                             "firmware: the image was sent whole (" +
                                 std::to_string(transfer.total()) + " bytes), but the machine at " +
                                 cli::MachineName(context.link) +
                                 " did not answer afterwards, so the update is not confirmed; "
                                 "switch the machine off and on, then run 'faxrcp-cli info'");
        case firmware::TransferResult::kFileNotOpened:
        case firmware::TransferResult::kFileRefused:
            return cli::Fail(io, cli::kExitUsage, FileRefused(file, transfer.fileProblem()));
        case firmware::TransferResult::kFailed:
            break;
        }
        const bool lost = !transfer.lostHost().empty();
        std::string message = lost ? "firmware: the connection to " +
                                         cli::EscapeText(transfer.lostHost()) +
                                         " was lost during the update"
                                   : "firmware: the machine at " + cli::MachineName(context.link) +
                                         " did not take the image";
        if (transfer.total() > 0) {
            message += " (" + std::to_string(transfer.sent()) + " of " +
                       std::to_string(transfer.total()) + " bytes sent)";
        }
        if (lost) {
            message += "; leave the machine switched on, check the connection to that "
                       "computer, then send the firmware again";
        }
        cli::Fail(io, cli::kExitNotResponding, message);
        return interrupted ? cli::kExitInterrupted : cli::kExitNotResponding;
    });
}

const cli::Registrar firmwareCommand({
    .words = {"firmware"},
    .usage = "firmware FILE",
    .help = "Send the firmware image FILE to the machine.",
    .run = RunFirmware,
    .minArgs = 1,
    .maxArgs = 1,
    .needsMachine = false,
    .details = "The file is checked first (a regular file, not empty, readable in full). On "
               "a terminal its name and size are shown and the update is sent only when "
               "you answer y; scripts give --yes, and without it a standard input that is "
               "no terminal refuses (exit 2). Progress goes to standard output: a bar on a "
               "terminal, else a line per percentage step. The machine must stay on until "
               "'update complete', which names the firmware versions before and after. A "
               "machine that does not answer once it has stored the image exits 1: the "
               "image was sent, but the update is not confirmed. Once the update has begun, "
               "interrupt, terminate, hang-up and quit signals wait for its end, and the exit "
               "status is then 130. --json prints no progress, then the outcome once the "
               "machine was reached: result (complete, unconfirmed or failed), bytes sent "
               "and total, and on completion versionBefore and versionAfter.",
    .json = true,
    .confirms = true,
});

} // namespace
