#pragma once
#include <optional>
#include <string>

namespace platform {

// A machine on another computer: ssh:[USER@]HOST[:PORT][/DEVICE].
struct SshDeviceName {
    std::string user;   // empty: ssh's own choice
    std::string host;   // without the brackets of an IPv6 address
    unsigned port = 0;  // 0: ssh's own choice
    std::string device; // the far side's device name; empty: its own choice

    // [USER@]HOST, as ssh takes it.
    std::string destination() const;
};

constexpr const char* kSshPrefix = "ssh:";

// The parts of an ssh: name; nullopt when name is none or malformed. Every
// part is limited to characters that mean nothing to a shell or to ssh's
// options, so the far side's command line cannot be widened by a name.
std::optional<SshDeviceName> ParseSshDeviceName(const std::string& name);

// [USER@]HOST[:PORT] alone, as --host takes it; nullopt when malformed.
std::optional<SshDeviceName> ParseSshHost(const std::string& host);

// Why name is none the device namespace can open; nullopt when it is one.
// A character device is looked at only where it is (remote false).
std::optional<std::string> DeviceNameProblem(const std::string& name, bool remote = false);

} // namespace platform
