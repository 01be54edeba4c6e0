#pragma once
#include <string>
#include <string_view>
#include <vector>

// The USB machines the USB library could name, for a choice among several.

struct UsbCandidate {
    std::string name; // "usb:VVVV:PPPP[:SERIAL]"
    std::string maker;
    std::string model;
    std::string serial;
};

// Loads the USB library when start-up has not, and looks up its optional
// entry points for the choice (ListControlPorts, SelectControlPort).
void LoadUsbChoiceEntryPoints();

// What the library lists; empty when it finds none or cannot list (an older
// library, or none at all).
std::vector<UsbCandidate> UsbCandidates();

// The library's list: a "name\tmaker\tmodel\tserial" line per machine, at most
// kUsbCandidateLimit of them; lines without a name are skipped.
std::vector<UsbCandidate> ParseUsbCandidates(std::string_view text);
constexpr size_t kUsbCandidateLimit = 128;

// Remembers name for this user, so the library names it at the next start
// while that machine is there. False when it cannot be written.
bool RememberUsbChoice(const std::string& name);
