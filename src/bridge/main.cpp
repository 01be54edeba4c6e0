// faxrcp-bridge: the machine attached to this computer, served to one client
// on standard input and output (started by ssh from faxrcp or faxrcp-cli on
// another computer). It never listens anywhere.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

#include "bridge/bridge_server.h"
#include "link/driver_abi.h"
#include "link/port.h"
#include "platform/debug_output.h"
#include "platform/device_name.h"
#include "platform/library.h"
#include "platform/remote_device.h"
#include "platform/usb_candidates.h"

namespace {

// The start-up's port id: the bridge keeps the panel, faxrcp-cli and other
// bridges of this computer off the machine while it serves.
constexpr int32_t kArbitrationId = 8;

volatile std::sig_atomic_t stopAsked = 0;

void OnSignal(int) {
    stopAsked = 1;
}

const char kUsage[] = "usage: faxrcp-bridge --stdio [--device NAME]\n"
                      "       faxrcp-bridge --list\n"
                      "\n"
                      "Serves the machine attached to this computer to faxrcp or faxrcp-cli on\n"
                      "another computer, which starts it over ssh (device ssh:HOST[/NAME]).\n"
                      "\n"
                      "  --stdio        serve on standard input and output until the input ends\n"
                      "  --device NAME  the machine: usb:VVVV:PPPP[:SERIAL], unix:PATH or a\n"
                      "                 character device (default: the one machine on USB, or the\n"
                      "                 one chosen before among several)\n"
                      "  --list         list the machines attached to this computer\n"
                      "  --version      print the version\n";

// Discards the link's traces: standard error goes back to the client's ssh.
class NoTrace : public platform::DebugSink {
  public:
    void write(std::string_view) override {}
};

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || !*name) {
        return "this computer";
    }
    return name;
}

// The machine the panel here would pick: the USB library's choice.
std::string DefaultDevice() {
    platform::LibraryHandle usb = platform::LoadLibrary("tirusb.dll");
    auto name = usb ? reinterpret_cast<GetControlPortNameFn>(
                          platform::GetProcAddress(usb, "GetControlPortName"))
                    : nullptr;
    char buffer[256] = {};
    if (name) {
        name(buffer, sizeof buffer);
    }
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

int List() {
    for (const platform::UsbCandidate& c : platform::ListUsbCandidates()) {
        std::cout << c.name << '\t' << c.maker << '\t' << c.model << '\t' << c.serial << '\n';
    }
    return std::cout.flush() ? 0 : 1;
}

int Serve(const std::string& asked) {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    for (const int s : {SIGTERM, SIGHUP, SIGINT}) {
        sigaction(s, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    namespace b = platform::bridge;

    const std::string device = asked.empty() ? DefaultDevice() : asked;
    if (device.empty()) {
        const size_t count = platform::ListUsbCandidates().size();
        bridge::Greet(1, b::kNoDevice,
                      count == 0
                          ? "no machine is attached to " + HostName()
                          : std::to_string(count) + " machines are attached to " + HostName() +
                                " and none is chosen: add /usb:VVVV:PPPP "
                                "to the device name (faxrcp-cli devices "
                                "--host lists them)");
        return 1;
    }
    // Only the names a user may give; never another computer again.
    if (auto problem = platform::DeviceNameProblem(device);
        problem || device.starts_with(platform::kSshPrefix)) {
        bridge::Greet(1, b::kNoDevice,
                      "unusable device '" + device + "' on " + HostName() + ": " +
                          (problem ? *problem : "a machine on this computer is expected"));
        return 1;
    }
    // The bridge needs no more of a link than the port's arbitration.
    LinkState link;
    if (!AcquirePort(link, kArbitrationId)) {
        bridge::Greet(1, b::kBusy,
                      "another program (the panel, faxrcp-cli or another bridge) is using it");
        return 3;
    }
    if (bridge::Greet(1, b::kReady, device)) {
        bridge::Serve(0, 1, device, stopAsked);
    }
    ReleasePort(link, kArbitrationId);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    NoTrace quiet;
    platform::InstallDebugSink(&quiet);
    std::string device;
    bool stdio = false;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--stdio") {
            stdio = true;
        } else if (arg == "--list") {
            list = true;
        } else if (arg == "--device" && i + 1 < argc) {
            device = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--version") {
            std::cout << "faxrcp-bridge " FAXRCP_VERSION "\n";
            return 0;
        } else {
            std::cerr << "faxrcp-bridge: unknown argument '" << arg << "'\n" << kUsage;
            return 2;
        }
    }
    if (list == stdio || (list && !device.empty())) {
        std::cerr << kUsage;
        return 2;
    }
    return list ? List() : Serve(device);
}
