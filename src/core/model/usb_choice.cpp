#include "model/usb_choice.h"

#include <vector>

#include "link/port.h"
#include "platform/device_name.h"
#include "platform/library.h"
#include "platform/remembered_usb_port.h"
#include "platform/remote_device.h"

namespace {

// Room for more machines than one bus can hold, each line at its longest.
constexpr int kListBytes = 64 * 1024;

std::string_view NextField(std::string_view& line) {
    const size_t tab = line.find('\t');
    const std::string_view field = line.substr(0, tab);
    line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
    return field;
}

} // namespace

void LoadUsbChoiceEntryPoints(LinkState& link) {
    if (!link.usbLibrary) {
        link.usbLibrary = platform::LoadLibrary("tirusb.dll");
    }
    if (!link.usbLibrary) {
        return;
    }
    link.pListControlPorts = reinterpret_cast<ListControlPortsFn>(
        platform::GetProcAddress(link.usbLibrary, "ListControlPorts"));
    link.pSelectControlPort = reinterpret_cast<SelectControlPortFn>(
        platform::GetProcAddress(link.usbLibrary, "SelectControlPort"));
}

std::vector<UsbCandidate> UsbCandidates(LinkState& link) {
    if (!link.pListControlPorts) {
        LoadUsbChoiceEntryPoints(link);
    }
    if (!link.pListControlPorts) {
        return {};
    }
    std::vector<char> buffer(kListBytes, '\0');
    link.pListControlPorts(buffer.data(), kListBytes);
    buffer.back() = '\0'; // whatever the library wrote, it ends here
    return ParseUsbCandidates(std::string_view(buffer.data()));
}

std::vector<UsbCandidate> ParseUsbCandidates(std::string_view text) {
    std::vector<UsbCandidate> out;
    while (!text.empty() && out.size() < kUsbCandidateLimit) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        UsbCandidate c;
        c.name = NextField(line);
        c.maker = NextField(line);
        c.model = NextField(line);
        c.serial = NextField(line);
        if (!c.name.empty()) {
            out.push_back(std::move(c));
        }
    }
    return out;
}

bool RememberUsbChoice(const std::string& name) {
    if (name.starts_with(platform::kSshPrefix)) {
        platform::RememberRemoteMachine(name); // offered again among the remote ones
    }
    return platform::RememberUsbPort(name);
}

std::optional<std::vector<UsbCandidate>> RemoteCandidates(const std::string& host,
                                                          platform::RemoteProblem& problem) {
    const auto where = platform::ParseSshHost(host);
    std::string lines;
    if (!where || !platform::ListRemoteMachines(*where, lines, problem)) {
        return std::nullopt;
    }
    std::vector<UsbCandidate> candidates = ParseUsbCandidates(lines);
    for (UsbCandidate& c : candidates) {
        c.name = platform::kSshPrefix + host + "/" + c.name;
    }
    return candidates;
}

std::vector<UsbCandidate> RememberedRemoteCandidates() {
    std::vector<UsbCandidate> candidates;
    for (const std::string& name : platform::RememberedRemoteMachines()) {
        candidates.push_back({name, "", "", ""});
    }
    return candidates;
}
