#include <algorithm>
#include <cstring>
#include <exception>

#include "cli/cli_command.h"
#include "cli/devices_command.h"
#include "link/port.h"
#include "model/startup.h"
#include "platform/usb_device.h"

namespace cli {

namespace {

// Filled by the command files before main runs, only read afterwards.
std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

void PrintHelp(std::ostream& out) {
    out << "usage: faxrcp-cli COMMAND [ARGUMENTS]\n"
           "\n"
           "Runs the panel's start-up (takes the port from the scanner driver, finds the\n"
           "port that reaches the machine, asks the machine for its inquiry record), then\n"
           "one command, then gives the port back. Records print as name=value lines.\n"
           "Traces of every exchange go to the debug output (standard error).\n"
           "\n"
           "Commands:\n";
    std::vector<const Command*> sorted;
    for (const Command& c : Registry()) {
        sorted.push_back(&c);
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const Command* a, const Command* b) { return a->usage < b->usage; });
    size_t width = 0;
    for (const Command* c : sorted) {
        width = std::max(width, c->usage.size());
    }
    for (const Command* c : sorted) {
        out << "  " << c->usage << std::string(width - c->usage.size() + 2, ' ') << c->help << "\n";
    }
    out << "\n"
           "Exit status: 0 done, 1 the machine does not answer (\"Not responding\"),\n"
           "2 wrong usage, 3 the port is busy (\"Port is busy\").\n"
           "\n"
           "Ports: FAXRCP_USB_PORT names the USB control port (for example unix:PATH or\n"
           "sim:); without it the first bidirectional USB printer is used.\n"
           "FAXRCP_LPT1..3 and FAXRCP_ECP1..3 replace the parallel port devices.\n"
           "FAXRCP_USB_TIMEOUT_MS shortens the USB transfer time-out (default 5000).\n";
}

int Usage(const Command& command, Io& io) {
    io.err << "usage: faxrcp-cli " << command.usage << "\n";
    return kExitUsage;
}

// A machine on USB that this user may not open looks like a silent one: say
// which device node it is and how to let the user at the desk open it.
void ExplainUsbPermission(Io& io) {
    const std::string node = platform::UsbPermissionProblem();
    if (node.empty() || std::strncmp(usbWritePath, "usb:", 4) != 0) {
        return; // no trouble, or none with the USB port this run tried
    }
    io.err << "faxrcp-cli: the USB machine at " << node
           << " cannot be opened: permission denied.\n"
              "faxrcp-cli: install the udev rule 70-faxrcp.rules (src/resources/ in the sources)\n"
              "faxrcp-cli: into /usr/lib/udev/rules.d/, run 'udevadm control --reload' as root,\n"
              "faxrcp-cli: then unplug the machine and plug it in again.\n";
}

int RunWithMachine(const Command& command, const Args& rest, Io& io) {
    StartupHooks hooks;
    hooks.notResponding = [] { return NotRespondingChoice::Abort; };
    hooks.portBusy = [&io] { io.err << "Port is busy\n"; };
    hooks.chooseUsbDevice = [&io](const auto& candidates) {
        return NoUsbDeviceNamed(candidates, io);
    };
    int status = kExitOk;
    try {
        switch (RunStartup(hooks)) {
        case StartupOutcome::PortBusy:
            status = kExitPortBusy;
            break;
        case StartupOutcome::NoUsbDeviceNamed:
            status = kExitDevice;
            break;
        case StartupOutcome::Aborted:
            status = NotResponding(io);
            ExplainUsbPermission(io);
            break;
        case StartupOutcome::MainWindow:
            status = command.run(rest, io);
            break;
        }
    } catch (const std::exception& e) {
        io.err << "faxrcp-cli: " << e.what() << "\n";
        status = kExitNotResponding;
    }
    RunExit(); // the port goes back to the scanner driver whatever happened
    return status;
}

} // namespace

const std::vector<Command>& Commands() {
    return Registry();
}

void RegisterCommand(Command command) {
    Registry().push_back(std::move(command));
}

const Command* FindCommand(const Args& args) {
    const Command* best = nullptr;
    for (const Command& c : Registry()) {
        if (c.words.empty() || c.words.size() > args.size() ||
            !std::equal(c.words.begin(), c.words.end(), args.begin())) {
            continue;
        }
        if (!best || c.words.size() > best->words.size()) {
            best = &c;
        }
    }
    return best;
}

int NotResponding(Io& io) {
    io.err << "Not responding\n";
    return kExitNotResponding;
}

int Main(const Args& args, Io& io) {
    if (args.empty()) {
        PrintHelp(io.err);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintHelp(io.out);
        return kExitOk;
    }
    const Command* command = FindCommand(args);
    if (!command || !command->run) {
        io.err << "faxrcp-cli: unknown command '" << args[0] << "' (see faxrcp-cli --help)\n";
        return kExitUsage;
    }
    Args rest(args.begin() + static_cast<long>(command->words.size()), args.end());
    if (static_cast<int>(rest.size()) < command->minArgs ||
        static_cast<int>(rest.size()) > command->maxArgs) {
        return Usage(*command, io);
    }
    if (command->needsMachine) {
        return RunWithMachine(*command, rest, io);
    }
    try {
        return command->run(rest, io);
    } catch (const std::exception& e) {
        io.err << "faxrcp-cli: " << e.what() << "\n";
        return kExitNotResponding;
    }
}

} // namespace cli
