#include "shell/CUsbChoice.h"

#include <QHeaderView>
#include <QTreeWidget>

#include "base/qt_resources.h"
#include "model/lang_text.h"
#include "shell/CRemoteMachine.h"
#include "templates/usb_choice_template.h"
#include "widgets/CIconButton.h"
#include "widgets/qt_dialog_builder.h"

using namespace usb_choice_ids;

namespace {

QString Lang(const char* key) {
    return QString::fromUtf8(GetLangString("USB_CHOICE", key));
}

QString Text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

CUsbChoice::CUsbChoice(std::vector<UsbCandidate> candidates, QWidget* parent)
    : QDialog(parent), candidates_(std::move(candidates)) {
    const std::vector<UsbCandidate> remote = RememberedRemoteCandidates();
    candidates_.insert(candidates_.end(), remote.begin(), remote.end());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dlg::BuildDialog(this, usbChoiceTemplate);
    list_ = dlg::FindControl<QTreeWidget>(this, kList);
    ok_ = dlg::FindControl<CIconButton>(this, kOk);
    auto* cancel = dlg::FindControl<CIconButton>(this, kCancel);

    setWindowTitle(Lang("CAPTION"));
    dlg::SetControlText(this, kPrompt, Lang("IDC_PROMPT"));
    dlg::SetControlText(this, kOk, Lang("IDOK"));
    dlg::SetControlText(this, kCancel, Lang("IDCANCEL"));
    ok_->SetIcon(IDI_OK);
    cancel->SetIcon(IDI_CANCEL);

    list_->setColumnCount(4);
    list_->setHeaderLabels({Lang("IDC_COL_MAKER"), Lang("IDC_COL_MODEL"), Lang("IDC_COL_SERIAL"),
                            Lang("IDC_COL_PORT")});
    for (const UsbCandidate& c : candidates_) {
        list_->addTopLevelItem(
            new QTreeWidgetItem({Text(c.maker), Text(c.model), Text(c.serial), Text(c.name)}));
    }
    // Maker, model and serial share the room the port name leaves them.
    const int room = list_->contentsRect().width();
    list_->setColumnWidth(0, room * 20 / 100);
    list_->setColumnWidth(1, room * 26 / 100);
    list_->setColumnWidth(2, room * 18 / 100);
    list_->header()->setStretchLastSection(true);
    list_->setCurrentItem(nullptr);
    list_->clearSelection();

    connect(list_, &QTreeWidget::itemSelectionChanged, this,
            [this] { ok_->setEnabled(!ChosenName().empty()); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(ok_, &QPushButton::clicked, this, [this] { accept(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    dlg::SetControlText(this, kRemote, Lang("IDC_REMOTE"));
    connect(dlg::FindControl<CIconButton>(this, kRemote), &QPushButton::clicked, this, [this] {
        CRemoteMachine remote(this);
        if (remote.exec() == QDialog::Accepted && !remote.ChosenName().empty()) {
            remoteChosen_ = remote.ChosenName();
            accept();
        }
    });
}

std::string CUsbChoice::ChosenName() const {
    if (!remoteChosen_.empty()) {
        return remoteChosen_;
    }
    const QList<QTreeWidgetItem*> chosen = list_->selectedItems();
    if (chosen.isEmpty()) {
        return {};
    }
    const int row = list_->indexOfTopLevelItem(chosen.front());
    return row >= 0 && size_t(row) < candidates_.size() ? candidates_[size_t(row)].name
                                                        : std::string();
}
