#include "shell/CUsbChoice.h"

#include <QHeaderView>
#include <QTreeWidget>

#include "desktop/qt_resources.h"
#include "model/lang_text.h"
#include "platform/remembered_usb_port.h"
#include "shell/CRemoteMachine.h"
#include "shell/chosen_candidate.h"
#include "templates/usb_choice_template.h"
#include "widgets/CIconButton.h"
#include "widgets/qt_dialog_builder.h"

using namespace usb_choice_ids;

namespace {

QString Lang(const char* key) {
    return QString::fromUtf8(GetLangString("USB_CHOICE", key));
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
        list_->addTopLevelItem(new QTreeWidgetItem(
            {QString::fromStdString(c.maker), QString::fromStdString(c.model),
             QString::fromStdString(c.serial), QString::fromStdString(c.name)}));
    }
    // Every value whole: the columns take their texts' widths, the window
    // grows to hold them.
    int needed = 0;
    for (int c = 0; c < list_->columnCount(); ++c) {
        list_->resizeColumnToContents(c);
        list_->setColumnWidth(c, list_->columnWidth(c) + 12);
        needed += list_->columnWidth(c);
    }
    const int grow = needed + 2 * list_->frameWidth() + 4 - list_->width();
    if (grow > 0) {
        for (int id : {kPrompt, kList}) {
            QWidget* w = dlg::FindControlWidget(this, id);
            w->resize(w->width() + grow, w->height());
        }
        for (QWidget* w : {static_cast<QWidget*>(ok_), static_cast<QWidget*>(cancel)}) {
            w->move(w->x() + grow, w->y());
        }
        resize(width() + grow, height());
    }
    list_->header()->setStretchLastSection(true);

    // The machine chosen last time, else the first: OK works at once.
    const std::string remembered = platform::RememberedUsbPort();
    int row = 0;
    for (size_t i = 0; i < candidates_.size(); ++i) {
        if (candidates_[i].name == remembered) {
            row = static_cast<int>(i);
        }
    }
    if (QTreeWidgetItem* item = list_->topLevelItem(row)) {
        list_->setCurrentItem(item);
        item->setSelected(true);
    }
    ok_->setEnabled(!ChosenName().empty());

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
    return ChosenCandidateName(*list_, candidates_);
}
