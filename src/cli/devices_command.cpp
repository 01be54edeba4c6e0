#include "cli/devices_command.h"

#include "cli/cli_output.h"
#include "model/panel_context.h"
#include "platform/device_name.h"

namespace cli {

namespace {

// The vendor and product ids, "VVVV:PPPP", that a udev rule can name.
std::string UsbId(const std::string& name) {
    return name.starts_with("usb:") && name.size() >= 13 ? name.substr(4, 9) : std::string();
}

void PrintCandidates(const std::vector<UsbCandidate>& candidates, std::ostream& out) {
    out << "name\tmaker\tmodel\tserial\tid\n";
    for (const UsbCandidate& c : candidates) {
        out << c.name << '\t' << c.maker << '\t' << c.model << '\t' << c.serial << '\t'
            << UsbId(c.name) << '\n';
    }
}

void PrintCandidatesJson(const std::vector<UsbCandidate>& candidates, std::ostream& out) {
    Json list = Json::Array();
    for (const UsbCandidate& c : candidates) {
        Json one = Json::Object();
        one.set("name", Json::String(c.name))
            .set("maker", Json::String(c.maker))
            .set("model", Json::String(c.model))
            .set("serial", Json::String(c.serial))
            .set("id", Json::String(UsbId(c.name)));
        list.add(std::move(one));
    }
    list.write(out);
}

void Print(const std::vector<UsbCandidate>& candidates, Io& io) {
    if (io.options.json) {
        PrintCandidatesJson(candidates, io.out);
    } else {
        PrintCandidates(candidates, io.out);
    }
}

// The machines attached to another computer, named so that --device takes
// them as they are.
int RunRemoteDevices(Io& io) {
    const std::string host = io.options.host;
    if (!platform::ParseSshHost(host)) {
        return Fail(io, kExitUsage,
                    "unusable host '" + EscapeText(host) + "': expected [USER@]HOST[:PORT]");
    }
    platform::RemoteProblem problem;
    const std::optional<std::vector<UsbCandidate>> candidates = RemoteCandidates(host, problem);
    if (!candidates) {
        return Fail(io, kExitDevice, EscapeText(problem.text));
    }
    Print(*candidates, io);
    if (candidates->empty()) {
        io.err << "faxrcp-cli: no machine is attached to " << EscapeText(host) << "\n";
    }
    return kExitOk;
}

int RunDevices(PanelContext& context, const Args&, Io& io) {
    if (!io.options.host.empty()) {
        return RunRemoteDevices(io);
    }
    std::vector<UsbCandidate> candidates = UsbCandidates(context.link);
    const bool none = candidates.empty();
    // Machines on other computers chosen before, after those attached here.
    const std::vector<UsbCandidate> remote = RememberedRemoteCandidates();
    candidates.insert(candidates.end(), remote.begin(), remote.end());
    Print(candidates, io);
    if (none) {
        io.err << "faxrcp-cli: no USB printer found\n";
    }
    return kExitOk;
}

const Registrar devices({
    .words = {"devices"},
    .usage = "devices",
    .help = "List the USB printers: the name to use, maker, model, serial, vendor:product "
            "id; then the machines on other computers chosen before. With --host "
            "[USER@]HOST, the machines attached to HOST, reached over ssh.",
    .run = RunDevices,
    .needsMachine = false,
    .json = true,
    .host = true,
});

} // namespace

std::optional<std::string> NoUsbDeviceNamed(const std::vector<UsbCandidate>& candidates, Io& io) {
    io.err << "faxrcp-cli: " << candidates.size()
           << " USB printers are connected and none is named:\n";
    PrintCandidates(candidates, io.err);
    io.err << "faxrcp-cli: name one with --device NAME or in FAXRCP_USB_PORT, for example\n"
           << "faxrcp-cli:   FAXRCP_USB_PORT="
           << (candidates.empty() ? "usb:VVVV:PPPP" : candidates.front().name)
           << " faxrcp-cli ...\n";
    return std::nullopt;
}

} // namespace cli
