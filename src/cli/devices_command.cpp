#include "cli/devices_command.h"

namespace cli {

namespace {

void PrintCandidates(const std::vector<UsbCandidate>& candidates, std::ostream& out) {
    out << "name\tmaker\tmodel\tserial\n";
    for (const UsbCandidate& c : candidates) {
        out << c.name << '\t' << c.maker << '\t' << c.model << '\t' << c.serial << '\n';
    }
}

int RunDevices(const Args&, Io& io) {
    const std::vector<UsbCandidate> candidates = UsbCandidates();
    PrintCandidates(candidates, io.out);
    if (candidates.empty()) {
        io.err << "faxrcp-cli: no USB printer found\n";
    }
    return kExitOk;
}

const Registrar devices({
    .words = {"devices"},
    .usage = "devices",
    .help = "List the USB printers: the name to use, maker, model, serial.",
    .run = RunDevices,
    .needsMachine = false,
});

} // namespace

std::optional<std::string> NoUsbDeviceNamed(const std::vector<UsbCandidate>& candidates, Io& io) {
    io.err << "faxrcp-cli: " << candidates.size()
           << " USB printers are connected and none is named:\n";
    PrintCandidates(candidates, io.err);
    io.err << "faxrcp-cli: name one in FAXRCP_USB_PORT, for example\n"
           << "faxrcp-cli:   FAXRCP_USB_PORT="
           << (candidates.empty() ? "usb:VVVV:PPPP" : candidates.front().name)
           << " faxrcp-cli ...\n";
    return std::nullopt;
}

} // namespace cli
