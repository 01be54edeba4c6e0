// faxrcp: the remote control panel.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "base/qt_windowed_clock.h"
#include "platform/clock.h"
#include "shell/CRcpApp.h"
#include "shell/qt_automation_server.h"

#ifdef FAXRCP_HAVE_SIM
#include "sim/simulated_machine.h"
#endif

namespace {

const char kUsage[] =
    "usage: faxrcp [Qt option]...\n"
    "       faxrcp --help | --version\n"
    "\n"
    "Opens the remote control panel of the fax multifunction printer attached by\n"
    "USB or by the parallel port.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Qt's window options (-platform NAME, -style NAME, -display DISPLAY, ...) are\n"
    "passed on to Qt. FAXRCP_USB_PORT names the USB control port (unix:PATH for\n"
    "faxrcp-sim, sim: for the simulated machine inside the program). See faxrcp(1).\n";

// Qt's own options, which QApplication takes out of the arguments itself.
bool QtOption(const char* arg, bool& takesValue) {
    static const char* const withValue[] = {
        "platform",        "platformpluginpath", "platformtheme", "plugin",
        "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
        "display",         "geometry",           "style",         "stylesheet"};
    static const char* const alone[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    const char* name = arg + (std::strncmp(arg, "--", 2) == 0 ? 2 : 1);
    for (const char* o : withValue) {
        const size_t n = std::strlen(o);
        if (std::strncmp(name, o, n) == 0 && (name[n] == '\0' || name[n] == '=')) {
            takesValue = name[n] == '\0';
            return true;
        }
    }
    for (const char* o : alone) {
        if (std::strcmp(name, o) == 0) {
            takesValue = false;
            return true;
        }
    }
    return false;
}

// Before any window: -1 to go on, else the exit status.
int ParseOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool takesValue = false;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("faxrcp %s\n", FAXRCP_VERSION);
            return 0;
        }
        if (arg[0] == '-' && QtOption(arg, takesValue)) {
            if (takesValue && ++i >= argc) {
                std::fprintf(stderr, "faxrcp: missing value after %s\n", arg);
                return 2;
            }
            continue;
        }
        std::fprintf(stderr, "faxrcp: %s '%s'\nTry 'faxrcp --help'.\n",
                     arg[0] == '-' ? "unknown option" : "unexpected argument", arg);
        return 2;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (const int status = ParseOptions(argc, argv); status >= 0) {
        return status;
    }
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
