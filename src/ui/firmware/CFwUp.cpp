#include "firmware/CFwUp.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "desktop/qt_desktop.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "platform/deferred_signals.h"
#include "templates/fwup_template.h"

using namespace fwup_ids;

namespace {

QString Lang(const char* section, const char* key) {
    return QString::fromUtf8(GetLangString(section, key));
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

// What the transfer shows, on this page.
class CFwUp::View : public firmware::FirmwareView {
  public:
    explicit View(CFwUp& page) : page_(page) {}

    void setFileName(const std::string& text) override {
        page_.fileName = QFile::decodeName(QByteArray::fromStdString(text));
    }
    void setFileSizeText(const std::string& text) override {
        page_.fileSizeText = QString::fromStdString(text);
    }
    void setMessageText(const std::string& text) override {
        page_.messageText = QString::fromStdString(text);
    }
    void setPercentText(const std::string& text) override {
        page_.percentText = QString::fromStdString(text);
    }
    void showValues() override {
        page_.UpdateData(Exchange::ToControls);
        // The transfer holds the thread between chunks: paint now, so the
        // progress moves on the screen and not only at the next wait.
        if (page_.isVisible()) {
            page_.repaint();
        }
    }
    void showMessageNow() override {
        page_.SetDlgItemText(kMessage, page_.messageText);
        if (QWidget* message = page_.GetDlgItem(kMessage); message && message->isVisible()) {
            message->repaint();
        }
    }
    void setProgressRange(int low, int high) override {
        if (auto* bar = page_.Control<QProgressBar>(kProgress)) {
            bar->setRange(low, high);
        }
    }
    void setProgressPos(int pos) override {
        if (auto* bar = page_.Control<QProgressBar>(kProgress)) {
            bar->setValue(pos);
        }
    }
    void enableUpdate(bool enable) override { page_.EnableUpdate(enable); }
    void setWaitCursor(bool wait) override { desktop::WaitCursor(wait); }
    void showStoring(uint32_t secondsLeft) override {
        page_.EnableWayOut(false);
        page_.messageText = Lang("FWUP", "STORING_LEFT")
                                .replace(QStringLiteral("%1"), QString::number(secondsLeft));
        showMessageNow();
    }
    void showCompletion(const std::string& text, const std::string& caption) override {
        desktop::MessageBox(&page_, QString::fromStdString(text), QString::fromStdString(caption),
                            desktop::Icon::None, desktop::Buttons::Ok);
    }

  private:
    CFwUp& page_;
};

CFwUp::CFwUp(PanelContext& context, QWidget* parent)
    : CPropertyPage(fwupTemplate, kTab, parent), view_(std::make_unique<View>(*this)),
      transfer_(std::make_unique<firmware::FirmwareTransfer>(*view_, context.link)) {}

CFwUp::~CFwUp() = default;

void CFwUp::OnInitDialog() {
    CPropertyPage::OnInitDialog();

    if (auto* browse = Control<QPushButton>(kBrowse)) {
        connect(browse, &QPushButton::clicked, this, [this] { OnBrowse(); });
    }
    if (auto* update = Control<QPushButton>(kUpdate)) {
        connect(update, &QPushButton::clicked, this, [this] { OnUpdate(); });
    }

    // A long path keeps its file name in sight: cut in the middle, whole in
    // the tool tip.
    if (auto* name = Control<QLabel>(kFileName)) {
        name->setWordWrap(false);
    }
    messageText = Lang("COMMON", "IDS_STRING100");
    UpdateData(Exchange::ToControls);

    static constexpr struct {
        int id;
        const char* key;
    } kCaptions[] = {
        {kFileNameLabel, "IDL_FILE_NAME"}, {kFileInformationBox, "IDL_FILE_INFORMATION"},
        {kFileSizeLabel, "IDL_FILE_SIZE"}, {kBrowse, "IDC_BROWSE"},
        {kProgressBox, "IDL_PROGRESS"},    {kMessageLabel, "IDL_MESSAGE"},
        {kUpdate, "IDC_UPDATE"},
    };
    for (const auto& caption : kCaptions) {
        SetDlgItemText(caption.id, Lang("FWUP", caption.key));
    }
    // The percentage is empty at times; it belongs to the progress.
    if (QWidget* percent = GetDlgItem(kPercent)) {
        percent->setAccessibleName(Lang("FWUP", "IDL_PROGRESS"));
    }
}

void CFwUp::ExchangeValues(Exchange direction) {
    if (direction != Exchange::ToControls) {
        return; // the values only ever go to the controls
    }
    if (auto* name = Control<QLabel>(kFileName)) {
        const int room = name->contentsRect().width() - 2 * name->margin() - 4;
        name->setText(name->fontMetrics().elidedText(fileName, Qt::ElideMiddle, room));
        name->setToolTip(fileName);
    }
    SetDlgItemText(kFileSize, fileSizeText);
    SetDlgItemText(kMessage, messageText);
    SetDlgItemText(kPercent, percentText);
}

void CFwUp::OnBrowse() {
    if (transfer_->state() != firmware::TransferState::kIdle) {
        return;
    }
    desktop::FileDialogOptions options;
    QString all = Lang("FWUP", "ALL_FILES");
    if (all.isEmpty()) {
        all = QStringLiteral("All files"); // an empty name would end the list
    }
    options.filter = all + QStringLiteral(" (*.*)|*.*||");
    const QString chosen = desktop::CurrentDesktop().openFileName(this, options);
    if (chosen.isEmpty()) {
        return;
    }
    fileName = chosen;
    uint64_t size = 0;
    const firmware::FileProblem problem = firmware::CheckFirmwareFile(LocalPath(chosen), &size);
    if (problem != firmware::FileProblem::kNone) {
        fileName.clear();
        EnableUpdate(false);
        // A file that opened but cannot be sent says why; one that did not
        // open is dropped without a word, as Update does.
        const std::string why = firmware::FileProblemText(problem);
        if (!why.empty()) {
            fileSizeText.clear();
            messageText = QString::fromStdString(why);
            UpdateData(Exchange::ToControls);
        }
        return;
    }
    fileSizeText = Lang("FWUP", "FILE_SIZE").replace(QStringLiteral("%1"), QString::number(size));
    messageText =
        Lang("FWUP", "FILE_READY").replace(QStringLiteral("%1"), QFileInfo(chosen).fileName());
    EnableUpdate(true);
    UpdateData(Exchange::ToControls);
}

// Nothing is sent before the user said so, naming the file and its size; the
// default is not to send.
bool CFwUp::ConfirmUpdate() {
    const QString text = Lang("FWUP", "CONFIRM_UPDATE")
                             .replace(QStringLiteral("%1"), QFileInfo(fileName).fileName())
                             .replace(QStringLiteral("%2"), fileSizeText) +
                         QStringLiteral("\n\n") + Lang("FWUP", "CONFIRM_WARNING");
    const QStringList buttons = {Lang("FWUP", "CONFIRM_CANCEL"), Lang("FWUP", "CONFIRM_SEND")};
    return desktop::CurrentDesktop().askChoice(this, text, Lang("FWUP", "CAPTION"), buttons, 0) ==
           1;
}

void CFwUp::OnUpdate() {
    if (transfer_->state() != firmware::TransferState::kIdle || !ConfirmUpdate()) {
        return;
    }
    firmware::TransferResult result;
    {
        // As the window ignores its close box meanwhile, a signal from the
        // terminal may not cut the image short either.
        const platform::DeferredSignals ignored;
        result = transfer_->OnUpdate(LocalPath(fileName));
    }
    EnableWayOut(true);
    // A file gone by now is no choice any more: ask for one again, unless the
    // message already says why it was refused.
    if (fileName.isEmpty() && result != firmware::TransferResult::kFileRefused) {
        messageText = Lang("COMMON", "IDS_STRING100");
        UpdateData(Exchange::ToControls);
    }
}

// Nothing may leave the page or start again while the machine stores the
// image; Update's own state is the transfer's business afterwards.
void CFwUp::EnableWayOut(bool enable) {
    if (QWidget* browse = GetDlgItem(kBrowse)) {
        browse->setEnabled(enable);
    }
    if (!enable) {
        EnableUpdate(false);
    }
    if (Host() != nullptr) {
        Host()->EnableExit(enable);
    }
}

void CFwUp::EnableUpdate(bool enable) {
    if (QWidget* update = GetDlgItem(kUpdate)) {
        update->setEnabled(enable);
    }
}
