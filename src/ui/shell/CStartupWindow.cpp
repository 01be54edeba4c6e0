#include "shell/CStartupWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "base/qt_resources.h"
#include "model/startup.h"
#include "shell/CRemoteMachine.h"
#include "shell/qt_startup_text.h"
#include "templates/startup_template.h"
#include "widgets/qt_dialog_builder.h"

using namespace startup_ids;

CStartupWindow::CStartupWindow(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    dlg::BuildDialog(this, startupTemplate);
    setWindowTitle(ProductName());
    setWindowIcon(LoadAppIcon(IDR_MAINFRAME));
    auto* icon = dlg::FindControl<QLabel>(this, kIcon);
    icon->setPixmap(LoadIconPixmap(IDR_MAINFRAME));
    dlg::SetControlText(this, kName, ProductName());
    looking_ = dlg::FindControl<QLabel>(this, kLooking);
    auto* busy = dlg::FindControl<QProgressBar>(this, kBusy);
    busy->setRange(0, 0); // a bar that moves without a measure
    cancel_ = dlg::FindControl<QPushButton>(this, kCancel);
    dlg::SetControlText(this, kCancel, StartupText("LOOKING_CANCEL"));
    connect(cancel_, &QPushButton::clicked, this, &CStartupWindow::Cancel);
    // Start-up stops looking here at its next step, then asks (Instead).
    remote_ = dlg::FindControl<QPushButton>(this, kRemote);
    dlg::SetControlText(this, kRemote, StartupText("LOOKING_REMOTE"));
    connect(remote_, &QPushButton::clicked, this, [this] {
        remoteAsked_ = true;
        remote_->setEnabled(false);
    });
    // Enter and the first key press stay with Cancel.
    cancel_->setDefault(true);
    cancel_->setFocus();
    // A named device is the only one tried.
    if (!ExplicitDevice().empty()) {
        remote_->setEnabled(false);
        remote_->setToolTip(StartupText("REMOTE_NAMED"));
    }
    ShowLooking(LookingAt::Usb);
}

void CStartupWindow::ShowLooking(LookingAt where) {
    dlg::SetControlText(this, kLooking,
                        StartupText(where == LookingAt::Usb ? "LOOKING_USB" : "LOOKING_PARALLEL"));
}

QString CStartupWindow::LookingText() const {
    return looking_->text();
}

std::optional<std::string> CStartupWindow::Instead() {
    if (cancelled_) {
        return std::nullopt;
    }
    remoteAsked_ = false;
    remote_->setEnabled(true);
    CRemoteMachine remote(this);
    return remote.exec() == QDialog::Accepted ? remote.ChosenName() : std::string();
}

void CStartupWindow::Cancel() {
    // Start-up ends at its next step; the window goes at once.
    cancelled_ = true;
    hide();
}

void CStartupWindow::closeEvent(QCloseEvent* event) {
    Cancel();
    event->accept();
}

void CStartupWindow::reject() {
    Cancel();
}
