// Opening the machine for a command: the device name, the start-up sequence,
// and one line that names what went wrong when no machine answered.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>

#include "cli/cli_command.h"
#include "cli/cli_output.h"
#include "cli/devices_command.h"
#include "link/port.h"
#include "model/panel_context.h"
#include "model/startup.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/device_name.h"
#include "platform/remote_device.h"
#include "platform/usb_device.h"

namespace cli {

namespace {

constexpr const char* kUsbPortVariable = "FAXRCP_USB_PORT";
constexpr int32_t kUsbPort = 0;
constexpr uint32_t kBusyPollMs = 250;

// Sets the USB library's port name while the machine is open.
class UsbPortOverride {
  public:
    explicit UsbPortOverride(const std::string& name) : active_(!name.empty()) {
        if (!active_) {
            return;
        }
        if (const char* before = std::getenv(kUsbPortVariable)) {
            previous_ = before;
        }
        ::setenv(kUsbPortVariable, name.c_str(), 1);
    }
    ~UsbPortOverride() {
        if (!active_) {
            return;
        }
        if (previous_) {
            ::setenv(kUsbPortVariable, previous_->c_str(), 1);
        } else {
            ::unsetenv(kUsbPortVariable);
        }
    }
    UsbPortOverride(const UsbPortOverride&) = delete;
    UsbPortOverride& operator=(const UsbPortOverride&) = delete;

  private:
    bool active_;
    std::optional<std::string> previous_;
};

std::string Bounded(const char* text, size_t size) {
    return std::string(text, strnlen(text, size));
}

// The Linux device a parallel-port name stands for: "/dev/parport0".
std::string ParallelDevice(int32_t port) {
    if (port <= kUsbPort || port >= kPortCount) {
        return "";
    }
    const bool ecp = port >= 4;
    const int n = ecp ? port - 3 : port;
    const std::string variable = std::string(ecp ? "FAXRCP_ECP" : "FAXRCP_LPT") + std::to_string(n);
    const char* over = std::getenv(variable.c_str());
    return over && *over ? std::string(over)
           : ecp         ? "/dev/parport" + std::to_string(n - 1)
                         : "/dev/lp" + std::to_string(n - 1);
}

std::string ParallelName(int32_t port) {
    const std::string device = ParallelDevice(port);
    return device.empty() ? "the parallel port" : "the parallel port " + EscapeText(device);
}

bool Opens(const std::string& name) {
    return platform::OpenDevice(name, {.read = true, .write = true, .shared = true}) != nullptr;
}

// Why the named USB-side device did not open, in words.
std::string OpenProblem(const std::string& name) {
    if (name.starts_with("unix:")) {
        struct stat st {};
        const std::string path = name.substr(5);
        if (::stat(path.c_str(), &st) != 0) {
            return std::strerror(errno);
        }
        return S_ISSOCK(st.st_mode) ? "nothing serves the socket" : "not a socket";
    }
    if (name.starts_with("usb:")) {
        return "no such USB printer on the bus, or another program holds it";
    }
    if (name.front() == '/') {
        if (::access(name.c_str(), R_OK | W_OK) != 0) {
            return std::strerror(errno);
        }
        return "the device does not open";
    }
    return "the device does not open";
}

// After the start-up found no machine: which device could not be opened, or
// which one stayed silent.
int Unreachable(Io& io, const LinkState& link) {
    const std::string usb = Bounded(link.usbWritePath, sizeof link.usbWritePath);
    // The other computer's own words: its port is busy, or ssh or the bridge
    // could not be reached there.
    if (const platform::RemoteProblem remote = platform::LastRemoteProblem(usb);
        remote.kind != platform::RemoteFailure::kNone) {
        return Fail(io,
                    remote.kind == platform::RemoteFailure::kBusy   ? kExitPortBusy
                    : remote.kind == platform::RemoteFailure::kLost ? kExitNotResponding
                                                                    : kExitDevice,
                    EscapeText(remote.text));
    }
    if (!ExplicitDevice().empty()) {
        // The named device was the only one tried.
        const std::string named = ExplicitDevice();
        if (!Opens(named)) {
            return Fail(io, kExitDevice,
                        "cannot open '" + EscapeText(named) + "': " + OpenProblem(named));
        }
        return Fail(io, kExitNotResponding, "no answer from the machine at " + EscapeText(named));
    }
    const std::string parallel = ParallelName(link.currentPort);
    const std::string node = platform::UsbPermissionProblem();
    if (!node.empty() && usb.starts_with("usb:")) {
        return Fail(io, kExitDevice,
                    "cannot open the USB printer " + usb + " at " + node +
                        ": permission denied; install the udev rule 70-faxrcp.rules "
                        "(see faxrcp-cli(1), PERMISSIONS)");
    }
    // The start-up tried the parallel port last; say how it failed too.
    const bool parallelOpens = link.currentPort > kUsbPort && link.currentPort < kPortCount &&
                               Opens(PortTable[link.currentPort]);
    if (!usb.empty()) {
        if (Opens(usb)) {
            return Fail(io, kExitNotResponding,
                        "no answer from the machine at " + EscapeText(usb) +
                            (parallelOpens ? ", nor from " + parallel
                                           : "; " + parallel + " cannot be opened"));
        }
        return Fail(io, kExitDevice,
                    "cannot open '" + EscapeText(usb) + "': " + OpenProblem(usb) +
                        (parallelOpens ? "; no answer from " + parallel + " either"
                                       : "; " + parallel + " cannot be opened either"));
    }
    if (parallelOpens) {
        return Fail(io, kExitNotResponding, "no USB printer found, and no answer from " + parallel);
    }
    return Fail(io, kExitDevice,
                "no machine found: no USB printer, and " + parallel + " cannot be opened");
}

std::string BusyMessage(PortHolder holder, int waitedSeconds) {
    const std::string who = holder == PortHolder::Panel ? "the panel (faxrcp) of this user"
                            : holder == PortHolder::CommandLine
                                ? "another faxrcp-cli of this user"
                                : "another program, such as the scanner software,";
    std::string message = "the port is busy: " + who + " is using the machine";
    if (waitedSeconds > 0) {
        message += " (waited " + std::to_string(waitedSeconds) + " s)";
    } else {
        message += " (--wait SECONDS waits for it)";
    }
    return message;
}

} // namespace

std::string PortDevice(const LinkState& link) {
    if (link.currentPort == kUsbPort) {
        return Bounded(link.usbWritePath, sizeof link.usbWritePath);
    }
    return ParallelDevice(link.currentPort);
}

std::string PortKind(const LinkState& link) {
    if (link.currentPort != kUsbPort) {
        return "parallel";
    }
    const std::string device = PortDevice(link);
    for (const char* kind : {"usb", "unix", "sim", "ssh"}) {
        if (device.starts_with(std::string(kind) + ":")) {
            return kind;
        }
    }
    return device.empty() ? "usb" : "device";
}

std::string MachineName(const LinkState& link) {
    if (link.currentPort == kUsbPort) {
        const std::string usb = Bounded(link.usbWritePath, sizeof link.usbWritePath);
        return EscapeText(usb.empty() ? "USB" : usb);
    }
    return ParallelName(link.currentPort);
}

int Fail(Io& io, int status, const std::string& message) {
    Warn(io, message);
    return status;
}

void Warn(Io& io, const std::string& message) {
    if (TraceLineOpen()) {
        io.err << "\n";
        TraceLineOpen() = false;
    }
    io.err << "faxrcp-cli: " << message << "\n";
}

int NotResponding(Io& io, const LinkState& link, const std::string& what) {
    std::string message = "the machine at " + MachineName(link) + " did not answer";
    if (!what.empty()) {
        message += " " + what;
    }
    return Fail(io, kExitNotResponding, message);
}

int NotTaken(Io& io, const LinkState& link, const std::string& what, const std::string& more) {
    return Fail(io, kExitNotResponding,
                "the machine at " + MachineName(link) + " did not take " + what +
                    (more.empty() ? "" : "; " + more));
}

int WithMachine(PanelContext& context, Io& io, const std::function<int()>& body) {
    const char* fromEnvironment = std::getenv(kUsbPortVariable);
    const bool chosen = !io.options.device.empty();
    const std::string name = chosen                       ? io.options.device
                             : fromEnvironment != nullptr ? fromEnvironment
                                                          : "";
    if (!name.empty()) {
        if (auto problem = platform::DeviceNameProblem(name)) {
            return Fail(io, kExitDevice,
                        "unusable device '" + EscapeText(name) + "' (" +
                            (chosen ? "--device" : kUsbPortVariable) + "): " + *problem);
        }
    }
    const UsbPortOverride port(io.options.device);

    StartupHooks hooks;
    hooks.notResponding = [] { return NotRespondingChoice::Abort; };
    PortHolder holder = PortHolder::Unknown;
    const uint32_t waitStart = platform::GetTickCount();
    hooks.portBusy = [&io, &holder, waitStart](PortHolder h) {
        holder = h;
        const uint32_t waited = platform::GetTickCount() - waitStart;
        if (waited >= static_cast<uint32_t>(io.options.waitSeconds) * 1000u) {
            return false;
        }
        platform::Sleep(std::min<uint32_t>(kBusyPollMs, io.options.waitSeconds * 1000u - waited));
        return true;
    };
    hooks.chooseUsbDevice = [&io](const auto& candidates) {
        return NoUsbDeviceNamed(candidates, io);
    };
    int status = kExitOk;
    try {
        switch (RunStartup(context, hooks)) {
        case StartupOutcome::PortBusy: {
            const platform::RemoteProblem remote =
                platform::LastRemoteProblem(context.link.usbWritePath);
            status = Fail(io, kExitPortBusy,
                          remote.kind == platform::RemoteFailure::kBusy
                              ? EscapeText(remote.text)
                              : BusyMessage(holder, io.options.waitSeconds));
            break;
        }
        case StartupOutcome::NoUsbDeviceNamed:
            status = kExitDevice;
            break;
        case StartupOutcome::Aborted:
            status = Unreachable(io, context.link);
            break;
        case StartupOutcome::MainWindow:
            status = body();
            break;
        }
    } catch (const std::exception& e) {
        status = Fail(io, kExitNotResponding, e.what());
    }
    RunExit(context); // the port goes back to the scanner driver whatever happened
    return status;
}

} // namespace cli
