#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/usb_choice.h"

struct LinkState;
struct PanelContext;

// The start-up sequence before the main window: port type, record defaults,
// language file, port arbitration, phonebook memory, platform and port
// detection, and the inquiry with its silent USB fallback. The windowed
// program and the command-line tool both run it; they differ only in how
// they ask the user.

enum class NotRespondingChoice { Abort, Retry, Ignore };

// Where start-up is looking for the machine.
enum class LookingAt { Usb, ParallelPort };

// Who holds the port when start-up finds it busy.
enum class PortHolder { Unknown, Panel, CommandLine };

struct StartupHooks {
    std::function<void(bool on)> waitCursor;            // around the inquiries (may be empty)
    std::function<NotRespondingChoice()> notResponding; // the "Not responding" box
    // The "Port is busy" box: true to try the port again, false to end.
    std::function<bool(PortHolder holder)> portBusy;
    // Start-up moves on to another port (may be empty).
    std::function<void(LookingAt where)> looking;
    // Asked between inquiries: true ends start-up as Aborted (may be empty).
    std::function<bool()> cancelled;
    // Several USB machines and the USB library named none: the name of the
    // one to use (remembered for the user), "" for none (on to the parallel
    // port), nullopt to end start-up with NoUsbDeviceNamed. Asked at most once
    // a start-up; without it start-up goes on to the parallel port.
    std::function<std::optional<std::string>(const std::vector<UsbCandidate>&)> chooseUsbDevice;
    // Asked when cancelled() said true: the name of a machine to look for
    // instead (one on another computer the user chose meanwhile), "" to look
    // again as before, nullopt to end start-up as Aborted (may be empty).
    std::function<std::optional<std::string>()> instead;
};

enum class StartupOutcome { MainWindow, PortBusy, Aborted, NoUsbDeviceNamed };

// Runs to the point where the main window would open, filling in the
// context's link and records. MainWindow also after
// Ignore, with the inquiry record as the failed inquiry left it.
StartupOutcome RunStartup(PanelContext& context, const StartupHooks& hooks);

// The device the user named (FAXRCP_USB_PORT, which the command line's --device
// sets): when there is one it is the only device start-up tries. Empty when
// start-up may look on the USB bus and then the parallel port.
std::string ExplicitDevice();

// Remembers name for the user and makes it the machine the next detection
// names (the USB library's choice), as a choice among several does.
void UseMachine(LinkState& link, const std::string& name);

// Gives the port back to the scanner driver and frees the phonebook table.
// Runs after every outcome of RunStartup.
void RunExit(PanelContext& context);
