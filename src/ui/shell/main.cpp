// faxrcp: the remote control panel.
#include <QApplication>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

#include "base/qt_windowed_clock.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
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
    "  -v, --verbose  write the protocol trace to standard error\n"
    "  --trace FILE   write the protocol trace to FILE (also FAXRCP_TRACE=FILE)\n"
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

struct Options {
    bool verbose = false;
    std::string trace;
    std::string platform; // -platform NAME
};

// Before any window: -1 to go on, else the exit status.
int ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool takesValue = false;
        if (std::strcmp(arg, "-v") == 0 || std::strcmp(arg, "--verbose") == 0) {
            options.verbose = true;
            continue;
        }
        if (std::strcmp(arg, "--trace") == 0 || std::strncmp(arg, "--trace=", 8) == 0) {
            const char* value = arg[7] == '=' ? arg + 8 : (i + 1 < argc ? argv[++i] : "");
            if (*value == '\0') {
                std::fprintf(stderr, "faxrcp: --trace needs a file name\n");
                return 2;
            }
            options.trace = value;
            continue;
        }
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("faxrcp %s\n", FAXRCP_VERSION);
            return 0;
        }
        if (arg[0] == '-' && QtOption(arg, takesValue)) {
            const char* name = arg + (arg[1] == '-' ? 2 : 1);
            if (std::strncmp(name, "platform", 8) == 0 && (name[8] == '=' || name[8] == '\0')) {
                options.platform = name[8] == '=' ? name + 9 : (i + 1 < argc ? argv[i + 1] : "");
            }
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

// A window needs a display; without one Qt would end with a page of advice.
bool DisplayReachable(const Options& options) {
    auto set = [](const char* variable) {
        const char* value = std::getenv(variable);
        return value != nullptr && *value != '\0';
    };
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    const std::string platform = !options.platform.empty() ? options.platform
                                 : chosen != nullptr       ? chosen
                                                           : "";
    if (platform.empty()) {
        return set("DISPLAY") || set("WAYLAND_DISPLAY");
    }
    if (platform.starts_with("xcb")) {
        return set("DISPLAY");
    }
    if (platform.starts_with("wayland")) {
        return set("WAYLAND_DISPLAY");
    }
    return true; // offscreen, vnc, ...: Qt's own business
}

// The exchange trace goes nowhere unless asked for: -v, --trace FILE or
// FAXRCP_TRACE=FILE (for a launch from the menu).
std::unique_ptr<platform::DebugSink> TraceSink(Options& options, int& fd) {
    if (options.trace.empty()) {
        if (const char* file = std::getenv("FAXRCP_TRACE"); file != nullptr) {
            options.trace = file;
        }
    }
    if (!options.trace.empty()) {
        fd = ::open(options.trace.c_str(),
                    O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd < 0) {
            std::fprintf(stderr, "faxrcp: cannot write the trace file '%s': %s\n",
                         options.trace.c_str(), std::strerror(errno));
            return nullptr;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return std::make_unique<platform::FdDebugSink>(fd);
    }
    if (options.verbose) {
        return std::make_unique<platform::StderrDebugSink>();
    }
    return std::make_unique<platform::NullDebugSink>();
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = ParseOptions(argc, argv, options); status >= 0) {
        return status;
    }
    if (!DisplayReachable(options)) {
        std::fputs("faxrcp: no display to open the panel on (DISPLAY and WAYLAND_DISPLAY are "
                   "unset); faxrcp-cli works without one\n",
                   stderr);
        return 1;
    }
    int traceFd = -1;
    const std::unique_ptr<platform::DebugSink> trace = TraceSink(options, traceFd);
    if (!trace) {
        return 2;
    }
    platform::InstallDebugSink(trace.get());
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

    int status = 0;
    {
        CRcpApp theApp;
        // Outside drivers (end-to-end tests) only when FAXRCP_AUTOMATION is set.
        AutomationServer automation(theApp.Context().records);
        status = theApp.Run();
    }
    platform::InstallClock(nullptr);
    platform::InstallDebugSink(nullptr);
    if (traceFd >= 0) {
        ::close(traceFd);
    }
    return status;
}
