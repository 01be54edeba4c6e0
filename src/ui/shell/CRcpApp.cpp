#include "shell/CRcpApp.h"

#include <cstdlib>

#include "base/qt_desktop.h"
#include "model/lang_text.h"
#include "platform/remote_device.h"
#include "shell/CMainDlg.h"
#include "shell/CUsbChoice.h"
#include "shell/qt_single_instance.h"
#include "shell/qt_translation.h"
#include "templates/string_table.h"

namespace {

QString StringResource(int id) {
    return QString::fromUtf8(LoadStringResource(id));
}

// The start-up box's text in the panel's language, else the program's own.
QString StartupText(const char* key, int id) {
    const QString text = QString::fromUtf8(GetLangString("MAIN", key));
    return text.isEmpty() ? StringResource(id) : text;
}

} // namespace

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

StartupHooks CRcpApp::MakeStartupHooks() {
    StartupHooks hooks;
    hooks.waitCursor = [](bool on) { desktop::WaitCursor(on); };
    hooks.portBusy = [] {
        desktop::MessageBox(nullptr, StartupText("PORT_BUSY", IDS_PORT_BUSY),
                            StringResource(IDS_APP_TITLE), desktop::Icon::Error,
                            desktop::Buttons::Ok);
    };
    hooks.notResponding = [] {
        switch (desktop::MessageBox(nullptr,
                                    StartupText("STARTUP_NOT_RESPONDING", IDS_NOT_RESPONDING),
                                    StringResource(IDS_APP_TITLE), desktop::Icon::Error,
                                    desktop::Buttons::AbortRetryIgnore)) {
        case desktop::Result::Retry:
            return NotRespondingChoice::Retry;
        case desktop::Result::Ignore:
            return NotRespondingChoice::Ignore;
        default:
            return NotRespondingChoice::Abort;
        }
    };
    // Cancel: as without a machine on USB.
    hooks.chooseUsbDevice = [](const std::vector<UsbCandidate>& candidates) {
        CUsbChoice dlg(candidates);
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
    if (instance_->BringForwardRunning(StringResource(IDS_APP_TITLE))) {
        foundOtherInstance = true;
        return false;
    }
    instance_->Listen();

    // Qt's own buttons and dialogs speak the panel's language from the
    // first box on.
    FindLanguageFile();
    InstallQtTranslation(QString::fromStdString(CurrentLanguage()));
    if (!LanguageFileUsable()) {
        desktop::MessageBox(
            nullptr,
            StringResource(IDS_LANGUAGE_UNREADABLE)
                .replace(QStringLiteral("%1"), QString::fromStdString(languageFilePath)),
            StringResource(IDS_APP_TITLE), desktop::Icon::Warning, desktop::Buttons::Ok);
    }

    if (RunStartup(MakeStartupHooks()) != StartupOutcome::MainWindow) {
        return false;
    }

    CMainDlg dlg;
    mainWindowRan = true;
    runMainWindow(dlg);
    return false;
}

int CRcpApp::ExitInstance() {
    RunExit();
    delete instance_;
    instance_ = nullptr;
    return 0;
}
