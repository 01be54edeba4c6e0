#include "shell/CRcpApp.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdlib>

#include "base/qt_windowed_clock.h"
#include "desktop/qt_desktop.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "platform/remote_device.h"
#include "shell/CMainDlg.h"
#include "shell/CStartupWindow.h"
#include "shell/CUsbChoice.h"
#include "shell/qt_single_instance.h"
#include "shell/qt_startup_text.h"
#include "shell/qt_translation.h"
#include "templates/string_table.h"

CRcpApp::CRcpApp(QString instanceName)
    : runMainWindow([](CMainDlg& dlg) { return dlg.exec(); }),
      instanceName_(instanceName.isEmpty() ? SingleInstance::DefaultServerName()
                                           : std::move(instanceName)) {}

CRcpApp::~CRcpApp() {
    delete instance_;
}

int CRcpApp::Run() {
    InitInstance();
    return ExitInstance();
}

StartupHooks CRcpApp::MakeStartupHooks(CStartupWindow* window) {
    StartupHooks hooks;
    hooks.waitCursor = [](bool on) { desktop::WaitCursor(on); };
    hooks.portBusy = [window](PortHolder holder) {
        const char* key = holder == PortHolder::Panel         ? "PORT_BUSY_PANEL"
                          : holder == PortHolder::CommandLine ? "PORT_BUSY_CLI"
                                                              : "PORT_BUSY";
        return desktop::MessageBox(window, StartupText(key), ProductName(), desktop::Icon::Error,
                                   desktop::Buttons::RetryCancel) == desktop::Result::Retry;
    };
    hooks.notResponding = [window] {
        // What to check comes with it: power and cable, permission, the cli.
        const QString text = StartupText("STARTUP_NOT_RESPONDING") + QStringLiteral("\n\n") +
                             StartupText("STARTUP_NOT_RESPONDING_HINT") + QLatin1Char(' ') +
                             StartupText("STARTUP_NOT_RESPONDING_PERMISSION") + QLatin1Char(' ') +
                             StartupText("STARTUP_NOT_RESPONDING_CLI");
        switch (desktop::MessageBox(window, text, ProductName(), desktop::Icon::Error,
                                    desktop::Buttons::AbortRetryIgnore)) {
        case desktop::Result::Retry:
            return NotRespondingChoice::Retry;
        case desktop::Result::Ignore:
            return NotRespondingChoice::Ignore;
        default:
            return NotRespondingChoice::Abort;
        }
    };
    if (window != nullptr) {
        hooks.looking = [window](LookingAt where) { window->ShowLooking(where); };
        hooks.cancelled = [window] { return window->Cancelled(); };
        hooks.instead = [window] { return window->Instead(); };
    }
    // Cancel: as without a machine on USB.
    hooks.chooseUsbDevice = [window](const std::vector<UsbCandidate>& candidates) {
        CUsbChoice dlg(candidates, window);
        return std::optional<std::string>(dlg.exec() == QDialog::Accepted ? dlg.ChosenName()
                                                                          : std::string());
    };
    return hooks;
}

bool CRcpApp::InitInstance() {
    foundOtherInstance = false;
    mainWindowRan = false;
    // No terminal to type a password into: the desktop's prompt, when it has one.
    platform::SetRemotePasswordPrompts(std::getenv("SSH_ASKPASS") != nullptr);

    // A running panel with a window of the application title comes forward instead.
    delete instance_;
    instance_ = new SingleInstance(instanceName_);
    if (instance_->BringForwardRunning(ProductName())) {
        foundOtherInstance = true;
        return false;
    }
    // Two launches at once: the one that lost the socket to the other asks it.
    if (!instance_->Listen() && instance_->BringForwardRunning(ProductName())) {
        foundOtherInstance = true;
        return false;
    }

    // Qt's own buttons and dialogs speak the panel's language from the
    // first box on.
    FindLanguageFile();
    InstallQtTranslation(QString::fromStdString(CurrentLanguage()));
    if (!LanguageFileUsable()) {
        desktop::MessageBox(
            nullptr,
            QString::fromUtf8(LoadStringResource(IDS_LANGUAGE_UNREADABLE))
                .replace(QStringLiteral("%1"), QString::fromStdString(LanguageFileInUse())),
            ProductName(), desktop::Icon::Warning, desktop::Buttons::Ok);
    }

    // Something of the program is on the screen at once, and says what it
    // is doing while the machine is looked for.
    CStartupWindow looking;
    for (;;) {
        looking.show();
        QCoreApplication::processEvents();
        WindowedClock::AllowUserInput(true);
        const StartupOutcome outcome = RunStartup(context_, MakeStartupHooks(&looking));
        WindowedClock::AllowUserInput(false);
        if (outcome != StartupOutcome::MainWindow) {
            return false;
        }

        CMainDlg dlg(context_);
        mainWindowRan = true;
        // The small window goes once the main window is up.
        QTimer::singleShot(0, &looking, &QWidget::hide);
        if (runMainWindow(dlg) != CMainDlg::kOtherMachine) {
            return false;
        }
        // The machine here is given back before the other is looked for.
        RunExit(context_);
        UseMachine(context_.link, dlg.OtherMachine());
    }
}

int CRcpApp::ExitInstance() {
    RunExit(context_);
    delete instance_;
    instance_ = nullptr;
    return 0;
}
