#include "shell/CRemoteMachine.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include "desktop/qt_resources.h"
#include "model/lang_text.h"
#include "platform/device_name.h"
#include "shell/chosen_candidate.h"
#include "templates/remote_machine_template.h"
#include "widgets/CIconButton.h"
#include "widgets/qt_dialog_builder.h"

using namespace remote_machine_ids;

namespace {

QString Lang(const char* key) {
    return QString::fromUtf8(GetLangString("REMOTE_MACHINE", key));
}

} // namespace

CRemoteMachine::CRemoteMachine(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dlg::BuildDialog(this, remoteMachineTemplate);
    host_ = dlg::FindControl<QLineEdit>(this, kHost);
    list_ = dlg::FindControl<QTreeWidget>(this, kList);
    ok_ = dlg::FindControl<CIconButton>(this, kOk);
    auto* find = dlg::FindControl<CIconButton>(this, kFind);
    auto* cancel = dlg::FindControl<CIconButton>(this, kCancel);

    setWindowTitle(Lang("CAPTION"));
    dlg::SetControlText(this, kHostLabel, Lang("IDC_HOST_LABEL"));
    dlg::SetControlText(this, kFind, Lang("IDC_FIND"));
    dlg::SetControlText(this, kOk, Lang("IDOK"));
    dlg::SetControlText(this, kCancel, Lang("IDCANCEL"));
    message_ = dlg::FindControl<QLabel>(this, kMessage);
    message_->hide(); // shown with a reason or a finding
    ok_->SetIcon(IDI_OK);
    cancel->SetIcon(IDI_CANCEL);
    host_->setMaxLength(140);

    list_->setColumnCount(4);
    list_->setHeaderLabels({Lang("IDC_COL_MAKER"), Lang("IDC_COL_MODEL"), Lang("IDC_COL_SERIAL"),
                            Lang("IDC_COL_PORT")});
    const int room = list_->contentsRect().width();
    list_->setColumnWidth(0, room * 20 / 100);
    list_->setColumnWidth(1, room * 26 / 100);
    list_->setColumnWidth(2, room * 18 / 100);
    list_->header()->setStretchLastSection(true);

    connect(list_, &QTreeWidget::itemSelectionChanged, this,
            [this] { ok_->setEnabled(!ChosenName().empty()); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(host_, &QLineEdit::returnPressed, this, [this] { OnFind(); });
    connect(find, &QPushButton::clicked, this, [this] { OnFind(); });
    connect(ok_, &QPushButton::clicked, this, [this] { accept(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void CRemoteMachine::OnFind() {
    list_->clear();
    candidates_.clear();
    ok_->setEnabled(false);
    const std::string host = host_->text().trimmed().toStdString();
    if (!platform::ParseSshHost(host)) {
        dlg::SetControlText(this, kMessage, Lang("IDS_BAD_HOST"));
        message_->show();
        return;
    }
    platform::RemoteProblem problem;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<std::vector<UsbCandidate>> found = RemoteCandidates(host, problem);
    QApplication::restoreOverrideCursor();
    if (!found) {
        // ssh's own words stay as ssh gave them.
        const QString why =
            problem.kind == platform::RemoteFailure::kNoBridge
                ? Lang("IDS_NO_BRIDGE")
                : Lang("IDS_UNREACHABLE") + "\n" + QString::fromStdString(problem.detail);
        dlg::SetControlText(this, kMessage, why.trimmed());
        message_->show();
        return;
    }
    candidates_ = *found;
    dlg::SetControlText(this, kMessage, Lang("IDS_NONE"));
    message_->setVisible(candidates_.empty());
    for (const UsbCandidate& c : candidates_) {
        list_->addTopLevelItem(new QTreeWidgetItem(
            {QString::fromStdString(c.maker), QString::fromStdString(c.model),
             QString::fromStdString(c.serial), QString::fromStdString(c.name)}));
    }
}

std::string CRemoteMachine::ChosenName() const {
    return ChosenCandidateName(*list_, candidates_);
}
