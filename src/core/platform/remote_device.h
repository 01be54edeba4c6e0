#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/device.h"
#include "platform/device_name.h"

namespace platform {

// What the far side of an ssh: device speaks on ssh's standard input and
// output: the virtual device protocol, after a greeting, with an open and a
// close around each use of the device (the bridge opens the device for each,
// as the link does here).
//   greeting (bridge first): 'h' status text-length text
//   open:                    'O' mode-bits -> 'o' 0 not opened | 1 opened | 2 opened, a real device
//   close:                   'X'             (no reply)
namespace bridge {
constexpr uint8_t kHello = 'h';
constexpr uint8_t kOpen = 'O';
constexpr uint8_t kOpenReply = 'o';
constexpr uint8_t kClose = 'X';
enum Status : uint8_t { kReady = 0, kBusy = 1, kNoDevice = 2 };
enum OpenResult : uint8_t { kNotOpened = 0, kOpened = 1, kOpenedReal = 2 };
constexpr uint8_t kModeRead = 1, kModeWrite = 2, kModeShared = 4;
constexpr uint32_t kMaxText = 1024;
} // namespace bridge

enum class RemoteFailure { kNone, kBusy, kUnreachable, kNoBridge, kNoDevice, kLost };
struct RemoteProblem {
    RemoteFailure kind = RemoteFailure::kNone;
    std::string text;   // one line, naming the host
    std::string detail; // ssh's or the bridge's own words, when they gave some
};

// Opens the device of an ssh: name through `faxrcp-bridge` on that host,
// started once per name by ssh (or $FAXRCP_SSH) and kept for the run.
std::unique_ptr<Device> OpenRemoteDevice(const std::string& name, const OpenMode& mode);

// Why the last connection for name could not be made or was lost.
RemoteProblem LastRemoteProblem(const std::string& name);
// The slowest round trip of the connections open now, 0 when there are none.
uint32_t RemoteRoundTripMs();
// A lost connection is made again only when a new conversation with the
// machine begins, never in the middle of one; one that could not be made at
// all, only after a while.
void AllowRemoteReconnect();
// The user asks again (start-up's Retry): the next open tries at once.
void RetryRemoteNow();
// The host of a connection lost since the last call; empty when none was.
std::string TakeLostRemoteHost();
// Ends every connection; the far side gives its port back.
void CloseRemoteSessions();
// The panel has no terminal: ssh may ask for a password through SSH_ASKPASS.
void SetRemotePasswordPrompts(bool allowed);
// The machines attached to host (`faxrcp-bridge --list`): tab-separated
// lines, as ListUsbCandidates gives them; false with the problem otherwise.
bool ListRemoteMachines(const SshDeviceName& host, std::string& lines, RemoteProblem& problem);

} // namespace platform
