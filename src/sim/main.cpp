// faxrcp-sim: the simulated machine served on a Unix socket.

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "sim/sim_server.h"
#include "sim/simulated_machine.h"
#include "sim/state_file.h"

namespace {

int stopPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    const ssize_t r = ::write(stopPipe[1], &c, 1);
    (void)r;
}

const char kUsage[] =
    "usage: faxrcp-sim --socket PATH [--state FILE] [options]\n"
    "\n"
    "Serves a simulated machine as a virtual device on the Unix socket PATH\n"
    "(open it as unix:PATH). Stops on SIGINT or SIGTERM and removes the socket.\n"
    "\n"
    "  --state FILE          keep the machine's records and phonebook in FILE\n"
    "                        (loaded at start when present, saved after each change;\n"
    "                        lines that do not fit are named on standard error)\n"
    "  --strict              refuse to start on a state file with such lines\n"
    "  --firmware FILE       where a received firmware image is written\n"
    "                        (default: FILE.firmware.bin beside the state file)\n"
    "  --machine-class N     answer the inquiry with machine class N\n"
    "  --capacities A,B      A one-touch and B speed-dial phonebook slots\n"
    "  --firmware-idle MS    quiet time after the last image byte that ends an\n"
    "                        image (default 4000)\n"
    "  --read-wait-cap MS    longest wait a client's read gets (default 10000)\n"
    "  --request-timeout MS  a client that does not finish a request in this time\n"
    "                        (plus its read wait) is dropped (default 10000)\n"
    "\n"
    "Faults (CMD is one of inquiry, get-setup, set-setup, get-status, set-status,\n"
    "get-info, get-phonebook, set-phonebook, firmware-request, firmware-data, all):\n"
    "  --silent CMD          no answer, the request has no effect\n"
    "  --cut-answer CMD=K    answer cut to K bytes\n"
    "  --wrong-head CMD      answer with a wrong frame head\n"
    "  --accept-write CMD=K  a write carrying CMD accepts only K bytes\n"
    "  --late CMD=MS         the answer is readable only MS ms after the request\n"
    "  --times CMD=N         the faults of CMD last for N requests only\n"
    "  --image-limit K       the firmware receiver takes at most K image bytes\n"
    "  --refuse-firmware     the firmware receiver refuses all image data\n"
    "  --refuse-controls     device controls are refused\n";

bool ParseUnsigned(const std::string& s, unsigned long max, unsigned long& out) {
    if (s.empty() || s.size() > 10 || s.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    out = std::strtoul(s.c_str(), nullptr, 10);
    return out <= max;
}

struct Options {
    sim::ServerOptions server;
    std::array<sim::Fault, sim::kCommandCount> faults{};
    int machineClass = -1;
    int capacityA = -1;
    int capacityB = -1;
    bool refuseControls = false;
    long firmwareIdleMs = -1;
    bool strict = false;
};

// Applies fn to the fault of CMD, or of every command for "all".
template <typename Fn> bool ForCommand(Options& o, const std::string& name, Fn fn) {
    if (name == "all") {
        for (auto& f : o.faults) {
            fn(f);
        }
        return true;
    }
    const auto c = sim::CommandFromName(name);
    if (!c) {
        return false;
    }
    fn(o.faults[size_t(*c)]);
    return true;
}

// "CMD=VALUE"
bool SplitAssign(const std::string& arg, std::string& cmd, unsigned long max, unsigned long& v) {
    const size_t eq = arg.find('=');
    if (eq == std::string::npos) {
        return false;
    }
    cmd = arg.substr(0, eq);
    return ParseUnsigned(arg.substr(eq + 1), max, v);
}

bool ParseArgs(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        if (opt == "--help" || opt == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (opt == "--strict") {
            o.strict = true;
            continue;
        }
        if (i + 1 >= argc && opt != "--refuse-firmware" && opt != "--refuse-controls") {
            error = "missing value after " + opt;
            return false;
        }
        std::string cmd;
        unsigned long v = 0;
        if (opt == "--socket") {
            o.server.socketPath = argv[++i];
        } else if (opt == "--state") {
            o.server.stateFile = argv[++i];
        } else if (opt == "--firmware") {
            o.server.firmwareFile = argv[++i];
        } else if (opt == "--machine-class") {
            if (!ParseUnsigned(argv[++i], 255, v)) {
                error = "bad machine class";
                return false;
            }
            o.machineClass = int(v);
        } else if (opt == "--firmware-idle") {
            if (!ParseUnsigned(argv[++i], 3600000, v)) {
                error = "bad firmware idle time";
                return false;
            }
            o.firmwareIdleMs = long(v);
        } else if (opt == "--read-wait-cap" || opt == "--request-timeout") {
            if (!ParseUnsigned(argv[++i], 3600000, v) || v == 0) {
                error = "bad time after " + opt;
                return false;
            }
            (opt == "--read-wait-cap" ? o.server.readWaitCapMs : o.server.requestTimeoutMs) =
                uint32_t(v);
        } else if (opt == "--capacities") {
            const std::string s = argv[++i];
            const size_t comma = s.find(',');
            unsigned long a = 0, b = 0;
            if (comma == std::string::npos || !ParseUnsigned(s.substr(0, comma), 255, a) ||
                !ParseUnsigned(s.substr(comma + 1), 255, b) || a + b > sim::kMaxSlots) {
                error = "bad capacities (A,B with A+B at most 255)";
                return false;
            }
            o.capacityA = int(a);
            o.capacityB = int(b);
        } else if (opt == "--silent" || opt == "--wrong-head") {
            const bool silent = opt == "--silent";
            if (!ForCommand(o, argv[++i],
                            [&](sim::Fault& f) { (silent ? f.silent : f.wrongHead) = true; })) {
                error = std::string("unknown command ") + argv[i];
                return false;
            }
        } else if (opt == "--cut-answer" || opt == "--accept-write" || opt == "--late" ||
                   opt == "--times") {
            if (!SplitAssign(argv[++i], cmd, 0x7FFFFFFF, v)) {
                error = "expected CMD=NUMBER after " + opt;
                return false;
            }
            const bool ok = ForCommand(o, cmd, [&](sim::Fault& f) {
                if (opt == "--cut-answer") {
                    f.cutAnswerTo = int(v);
                } else if (opt == "--accept-write") {
                    f.acceptWriteBytes = int(v);
                } else if (opt == "--late") {
                    f.lateMs = uint32_t(v);
                } else {
                    f.times = int(v);
                }
            });
            if (!ok) {
                error = "unknown command " + cmd;
                return false;
            }
        } else if (opt == "--image-limit") {
            if (!ParseUnsigned(argv[++i], 0x7FFFFFFF, v)) {
                error = "bad image limit";
                return false;
            }
            o.faults[size_t(sim::Command::FirmwareData)].imageLimit = long(v);
        } else if (opt == "--refuse-firmware") {
            o.faults[size_t(sim::Command::FirmwareData)].imageLimit = 0;
        } else if (opt == "--refuse-controls") {
            o.refuseControls = true;
        } else {
            error = "unknown option " + opt;
            return false;
        }
    }
    if (o.server.socketPath.empty()) {
        error = "--socket PATH is required";
        return false;
    }
    if (o.server.firmwareFile.empty() && !o.server.stateFile.empty()) {
        o.server.firmwareFile = o.server.stateFile + ".firmware.bin";
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!ParseArgs(argc, argv, options, error)) {
        std::fprintf(stderr, "faxrcp-sim: %s\n\n%s", error.c_str(), kUsage);
        return 2;
    }

    sim::SimulatedMachine machine;
    if (!options.server.stateFile.empty()) {
        std::vector<std::string> skipped;
        const std::string& file = options.server.stateFile;
        const bool loaded = sim::LoadState(machine, file, &skipped);
        for (const std::string& why : skipped) {
            std::fprintf(stderr, "faxrcp-sim: %s: %s skipped\n", file.c_str(), why.c_str());
        }
        if (!loaded && ::access(file.c_str(), F_OK) == 0) {
            std::fprintf(stderr, "faxrcp-sim: %s: nothing usable in it\n", file.c_str());
            skipped.emplace_back();
        }
        if (options.strict && !skipped.empty()) {
            return 2;
        }
    }
    if (options.machineClass >= 0) {
        machine.setMachineClass(uint8_t(options.machineClass));
    }
    if (options.capacityA >= 0) {
        machine.setCapacities(uint8_t(options.capacityA), uint8_t(options.capacityB));
    }
    for (int c = 0; c < sim::kCommandCount; ++c) {
        machine.setFault(sim::Command(c), options.faults[size_t(c)]);
    }
    machine.setDeviceControlRefused(options.refuseControls);
    if (options.firmwareIdleMs >= 0) {
        machine.setFirmwareTimings(uint32_t(options.firmwareIdleMs), sim::kFirmwareNoDataMs);
    }
    if (!options.server.stateFile.empty() && !sim::SaveState(machine, options.server.stateFile)) {
        std::fprintf(stderr, "faxrcp-sim: cannot write %s\n", options.server.stateFile.c_str());
        return 1;
    }

    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("faxrcp-sim: pipe");
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    sim::SimServer server(machine, options.server);
    if (!server.open(error)) {
        std::fprintf(stderr, "faxrcp-sim: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "faxrcp-sim: serving %s\n", options.server.socketPath.c_str());
    server.run(stopPipe[0]);
    return 0;
}
