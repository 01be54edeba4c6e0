#pragma once
// The application object: refuses a second instance, runs the start-up
// sequence under its small window with its boxes, the main window modally,
// and the exit that gives the port back.

#include <QString>
#include <functional>

#include "model/panel_context.h"
#include "model/startup.h"

class CMainDlg;
class CStartupWindow;
class SingleInstance;

class CRcpApp {
  public:
    explicit CRcpApp(QString instanceName = QString());
    ~CRcpApp();

    // The whole program: InitInstance, then ExitInstance. Returns the
    // process's exit status.
    int Run();

    // Start-up; always false (no message loop follows it).
    bool InitInstance();
    // Runs after InitInstance in every case.
    int ExitInstance();

    // The start-up sequence's questions and cursor, through the desktop seam,
    // standing over the start-up window (which may be nullptr).
    static StartupHooks MakeStartupHooks(CStartupWindow* window = nullptr);

    // Runs the main window; exec() unless a test puts something else here.
    std::function<int(CMainDlg&)> runMainWindow;

    // Did the last InitInstance find another instance and end?
    bool foundOtherInstance = false;
    // Did the last InitInstance open the main window?
    bool mainWindowRan = false;

    // The panel context of this run: the port start-up finds and the
    // machine's records, handed to the main window.
    PanelContext& Context() { return context_; }

  private:
    PanelContext context_;
    QString instanceName_;
    SingleInstance* instance_ = nullptr;
};
