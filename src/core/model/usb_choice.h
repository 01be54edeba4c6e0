#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/link_state.h"
#include "platform/remote_device.h"

// The USB machines the USB library could name, for a choice among several.

struct UsbCandidate {
    std::string name; // "usb:VVVV:PPPP[:SERIAL]"
    std::string maker;
    std::string model;
    std::string serial;
};

// Loads the USB library when start-up has not, and looks up its optional
// entry points for the choice (ListControlPorts, SelectControlPort).
void LoadUsbChoiceEntryPoints(LinkState& link);

// What the library lists; empty when it finds none or cannot list (an older
// library, or none at all).
std::vector<UsbCandidate> UsbCandidates(LinkState& link);

// The library's list: a "name\tmaker\tmodel\tserial" line per machine, at most
// kUsbCandidateLimit of them; lines without a name are skipped.
std::vector<UsbCandidate> ParseUsbCandidates(std::string_view text);
constexpr size_t kUsbCandidateLimit = 128;

// The machines attached to another computer ("[USER@]HOST[:PORT]", checked
// first with platform::ParseSshHost), named as ssh:HOST/NAME so that they open
// as they are; nullopt with the reason in problem when it cannot be reached.
std::optional<std::vector<UsbCandidate>> RemoteCandidates(const std::string& host,
                                                          platform::RemoteProblem& problem);

// The machines on other computers this user chose before, newest first.
std::vector<UsbCandidate> RememberedRemoteCandidates();

// Remembers name for this user, so the library names it at the next start
// while that machine is there. False when it cannot be written.
bool RememberUsbChoice(const std::string& name);
