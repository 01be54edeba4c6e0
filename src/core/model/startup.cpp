#include "model/startup.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "link/port.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "model/usb_choice.h"
#include "platform/device.h"
#include "platform/device_name.h"
#include "platform/library.h"
#include "platform/profile.h"
#include "platform/program.h"
#include "platform/remote_device.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"

namespace {

constexpr int32_t kArbitrationId = 8;
constexpr int32_t kUsbPort = 0;
constexpr int32_t kLpt1Port = 1;
constexpr int32_t kEcp1Port = 4;
constexpr int32_t kNoPort = -1;

void ReadPortType(PanelContext& context) {
    int type = platform::GetPrivateProfileInt("KELPIX DRIVER", "PortType", 1, "KELPIX.INI");
    context.portType = (type < 1 || type > 3) ? 1 : type;
}

void DetectPlatform(LinkState& link) {
    link.isWin9x = 0;
    link.isNt5 = 0;
    auto version = platform::GetVersionEx();
    if (!version) {
        return;
    }
    if (version->platformId == platform::PlatformId::Nt && version->majorVersion >= 5) {
        link.isNt5 = 1;
    } else if (version->platformId == platform::PlatformId::Windows9x) {
        link.isWin9x = 1;
    }
}

// Appends suffix to a 256-byte path without running past its end.
void AppendBounded(char (&path)[256], const char* suffix) {
    size_t used = strnlen(path, sizeof path - 1);
    std::strncat(path, suffix, sizeof path - 1 - used);
}

// Asks the USB library for the control port name and fills both paths with it.
void FetchControlPortName(LinkState& link) {
    std::memset(link.controlPortName, 0, sizeof link.controlPortName);
    std::memset(link.usbReadPath, 0, sizeof link.usbReadPath);
    std::memset(link.usbWritePath, 0, sizeof link.usbWritePath);
    link.pGetControlPortName(link.controlPortName, sizeof link.controlPortName);
    link.controlPortName[sizeof link.controlPortName - 1] = '\0';
    std::memcpy(link.usbReadPath, link.controlPortName, sizeof link.usbReadPath);
    std::memcpy(link.usbWritePath, link.controlPortName, sizeof link.usbWritePath);
}

// What the last probe of the USB pipe found: a named device is not opened
// a second time to learn it again.
bool usbPipeOpened = false;

bool UsbPipeOpens(LinkState& link) {
    auto device =
        platform::OpenDevice(link.usbWritePath, {.read = true, .write = true, .shared = true});
    usbPipeOpened = device != nullptr;
    return usbPipeOpened;
}

template <typename Fn> Fn Lookup(LinkState& link, const char* entryPoint) {
    return reinterpret_cast<Fn>(platform::GetProcAddress(link.usbLibrary, entryPoint));
}

int32_t DetectWin9xPort(LinkState& link) {
    if (!link.usbLibrary) {
        link.usbLibrary = platform::LoadLibrary("tiropen.dll");
        if (!link.usbLibrary) {
            return kLpt1Port;
        }
    }
    link.pGetControlPortName = Lookup<GetControlPortNameFn>(link, "GetControlPortName");
    if (!link.pGetControlPortName) {
        return kLpt1Port;
    }
    FetchControlPortName(link);
    AppendBounded(link.usbReadPath, "\\PIPE01");
    AppendBounded(link.usbWritePath, "\\PIPE00");
    DbgPrint(" USB Control Port = %s", link.controlPortName);
    return UsbPipeOpens(link) ? kUsbPort : kLpt1Port;
}

// The library named no port: with several machines on the bus the user
// picks one. False when the user wants none at all (start-up ends).
bool ChooseUsbMachine(LinkState& link, const StartupHooks& hooks, bool& asked) {
    if (link.controlPortName[0] != '\0' || !link.pSelectControlPort || !hooks.chooseUsbDevice ||
        asked) {
        return true;
    }
    const std::vector<UsbCandidate> candidates = UsbCandidates(link);
    if (candidates.size() < 2) {
        return true;
    }
    asked = true;
    const std::optional<std::string> choice = hooks.chooseUsbDevice(candidates);
    if (!choice) {
        return false;
    }
    // Or a machine on another computer, which the chooser found there.
    const bool listed = std::any_of(candidates.begin(), candidates.end(),
                                    [&](const UsbCandidate& c) { return c.name == *choice; }) ||
                        platform::ParseSshDeviceName(*choice).has_value();
    if (!listed) {
        return true; // none chosen: on as without a machine on USB
    }
    UseMachine(link, *choice);
    FetchControlPortName(link);
    return true;
}

// kNoPort when the user wanted no machine at all.
int32_t DetectNt5Port(LinkState& link, const StartupHooks& hooks, bool& asked) {
    if (!link.usbLibrary) {
        link.usbLibrary = platform::LoadLibrary("tirusb.dll");
        if (!link.usbLibrary) {
            return kEcp1Port;
        }
    }
    link.pGetControlPortName = Lookup<GetControlPortNameFn>(link, "GetControlPortName");
    link.pWin2kUsbWrite = Lookup<Win2kUsbWriteFn>(link, "Win2kUsbWrite");
    link.pWin2kUsbRead = Lookup<Win2kUsbReadFn>(link, "Win2kUsbRead");
    link.pWin2kUsbReadWithin =
        Lookup<Win2kUsbReadWithinFn>(link, "Win2kUsbReadWithin"); // may be absent
    LoadUsbChoiceEntryPoints(link);                               // likewise
    if (!link.pGetControlPortName || !link.pWin2kUsbWrite || !link.pWin2kUsbRead) {
        return kEcp1Port;
    }
    FetchControlPortName(link);
    if (!ChooseUsbMachine(link, hooks, asked)) {
        return kNoPort;
    }
    return UsbPipeOpens(link) || !ExplicitDevice().empty() ? kUsbPort : kEcp1Port;
}

// False when the user wanted no machine at all.
bool DetectPort(LinkState& link, const StartupHooks& hooks, bool& asked) {
    if (link.isWin9x) {
        link.currentPort = DetectWin9xPort(link);
    } else if (link.isNt5) {
        const int32_t port = DetectNt5Port(link, hooks, asked);
        if (port == kNoPort) {
            return false;
        }
        link.currentPort = port;
    } else {
        link.currentPort = kEcp1Port;
    }
    DbgPrint(" Port = %s, Win98 = %d", PortTable[link.currentPort], link.isWin9x);
    return true;
}

bool Cancelled(const StartupHooks& hooks) {
    return hooks.cancelled && hooks.cancelled();
}

// After a cancel: false to end, true to look again (at the machine the user
// named instead, if any).
bool LookAgain(LinkState& link, const StartupHooks& hooks) {
    const std::optional<std::string> name = hooks.instead ? hooks.instead() : std::nullopt;
    if (name && !name->empty()) {
        platform::CloseRemoteSessions(); // the machine looked at before goes back
        UseMachine(link, *name);
    }
    return name.has_value();
}

void Looking(const StartupHooks& hooks, LookingAt where) {
    if (hooks.looking) {
        hooks.looking(where);
    }
}

// Two attempts on the current port.
bool InquireTwice(LinkState& link, InquiryRecord& inquiry, const StartupHooks& hooks) {
    Looking(hooks, link.currentPort == kUsbPort ? LookingAt::Usb : LookingAt::ParallelPort);
    if (hooks.waitCursor) {
        hooks.waitCursor(true);
    }
    bool answered = false;
    for (int attempt = 0; attempt < 2 && !answered && !Cancelled(hooks); ++attempt) {
        answered = Mfp_Inquiry(link, inquiry) != 0;
    }
    if (hooks.waitCursor) {
        hooks.waitCursor(false);
    }
    return answered;
}

PortHolder HolderOf(const LinkState& link, int32_t id) {
    const std::string holder = PortHolderProgram(link, id);
    if (holder == "faxrcp") {
        return PortHolder::Panel;
    }
    if (holder == "faxrcp-cli") {
        return PortHolder::CommandLine;
    }
    return PortHolder::Unknown;
}

} // namespace

std::string ExplicitDevice() {
    const char* named = std::getenv("FAXRCP_USB_PORT");
    return named != nullptr ? std::string(named) : std::string();
}

StartupOutcome RunStartup(PanelContext& context, const StartupHooks& hooks) {
    LinkState& link = context.link;
    ReadPortType(context);
    SetMachineRecordDefaults(context.records);
    FindLanguageFile();
    while (!AcquirePort(link, kArbitrationId)) {
        if (!hooks.portBusy || !hooks.portBusy(HolderOf(link, kArbitrationId))) {
            return StartupOutcome::PortBusy;
        }
    }
    AllocatePhonebookTable(context.records, context.records.inquiryRecord.capacityA +
                                                context.records.inquiryRecord.capacityB);
    DetectPlatform(link);

    bool askedForUsbMachine = false;
    for (;;) {
        platform::RetryRemoteNow();
        if (!DetectPort(link, hooks, askedForUsbMachine)) {
            return StartupOutcome::NoUsbDeviceNamed;
        }
        // The other computer's port lock: busy there as it would be here.
        if (platform::LastRemoteProblem(link.usbWritePath).kind == platform::RemoteFailure::kBusy) {
            if (hooks.portBusy && hooks.portBusy(PortHolder::Unknown)) {
                continue;
            }
            return StartupOutcome::PortBusy;
        }
        // A device the user named is the only one tried: no silent move to
        // the parallel port, which would then take the blame.
        const bool onlyNamed = link.currentPort == kUsbPort && !ExplicitDevice().empty();
        bool answered = (!onlyNamed || usbPipeOpened) &&
                        InquireTwice(link, context.records.inquiryRecord, hooks);
        if (!answered && !Cancelled(hooks) && link.currentPort == kUsbPort && !onlyNamed) {
            // The machine may sit on the parallel port instead: no message.
            link.currentPort = link.isWin9x ? kLpt1Port : kEcp1Port;
            answered = InquireTwice(link, context.records.inquiryRecord, hooks);
        }
        if (Cancelled(hooks)) {
            if (!LookAgain(link, hooks)) {
                return StartupOutcome::Aborted;
            }
            continue;
        }
        if (answered) {
            return StartupOutcome::MainWindow;
        }
        NotRespondingChoice choice =
            hooks.notResponding ? hooks.notResponding() : NotRespondingChoice::Abort;
        if (choice == NotRespondingChoice::Abort) {
            return StartupOutcome::Aborted;
        }
        if (choice == NotRespondingChoice::Ignore) {
            return StartupOutcome::MainWindow;
        }
    }
}

void UseMachine(LinkState& link, const std::string& name) {
    if (!RememberUsbChoice(name)) {
        DbgPrint(" USB choice not remembered");
    }
    LoadUsbChoiceEntryPoints(link);
    if (link.pSelectControlPort) {
        link.pSelectControlPort(name.c_str());
    }
}

void RunExit(PanelContext& context) {
    LinkState& link = context.link;
    ReleasePort(link, kArbitrationId);
    platform::CloseRemoteSessions(); // the other computer's port goes back too
    FreePhonebookTable(context.records);
}
