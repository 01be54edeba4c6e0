#include "shell/CStartupWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "desktop/qt_resources.h"
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
    ShowLooking(LookingAt::Usb);
}

void CStartupWindow::ShowLooking(LookingAt where) {
    dlg::SetControlText(this, kLooking,
                        StartupText(where == LookingAt::Usb ? "LOOKING_USB" : "LOOKING_PARALLEL"));
}

QString CStartupWindow::LookingText() const {
    return looking_->text();
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
