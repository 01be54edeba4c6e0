// faxrcp: the remote control panel.
#include <QApplication>

#include "base/qt_windowed_clock.h"
#include "platform/clock.h"
#include "shell/CRcpApp.h"
#include "shell/qt_automation_server.h"

#ifdef FAXRCP_HAVE_SIM
#include "sim/simulated_machine.h"
#endif

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("faxrcp"));
    QApplication::setQuitOnLastWindowClosed(false);

    // Waits keep the windows painting.
    WindowedClock clock;
    platform::InstallClock(&clock);

#ifdef FAXRCP_HAVE_SIM
    // The simulated machine, for FAXRCP_USB_PORT=sim:.
    sim::RegisterSimDevice();
#endif

    // Outside drivers (end-to-end tests) only when FAXRCP_AUTOMATION is set.
    AutomationServer automation;

    int status = 0;
    {
        CRcpApp theApp;
        status = theApp.Run();
    }
    platform::InstallClock(nullptr);
    return status;
}
