#include "model/startup.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "link/port.h"
#include "model/lang_text.h"
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

void ReadPortType() {
    int type = platform::GetPrivateProfileInt("KELPIX DRIVER", "PortType", 1, "KELPIX.INI");
    portType = (type < 1 || type > 3) ? 1 : type;
}

void DetectPlatform() {
    isWin9x = 0;
    isNt5 = 0;
    auto version = platform::GetVersionEx();
    if (!version) {
        return;
    }
    if (version->platformId == platform::PlatformId::Nt && version->majorVersion >= 5) {
        isNt5 = 1;
    } else if (version->platformId == platform::PlatformId::Windows9x) {
        isWin9x = 1;
    }
}

// Appends suffix to a 256-byte path without running past its end.
void AppendBounded(char (&path)[256], const char* suffix) {
    size_t used = strnlen(path, sizeof path - 1);
    std::strncat(path, suffix, sizeof path - 1 - used);
}

// Asks the USB library for the control port name and fills both paths with it.
void FetchControlPortName() {
    std::memset(controlPortName, 0, sizeof controlPortName);
    std::memset(usbReadPath, 0, sizeof usbReadPath);
    std::memset(usbWritePath, 0, sizeof usbWritePath);
    pGetControlPortName(controlPortName, sizeof controlPortName);
    controlPortName[sizeof controlPortName - 1] = '\0';
    std::memcpy(usbReadPath, controlPortName, sizeof usbReadPath);
    std::memcpy(usbWritePath, controlPortName, sizeof usbWritePath);
}

// What the last probe of the USB pipe found: a named device is not opened
// a second time to learn it again.
bool usbPipeOpened = false;

bool UsbPipeOpens() {
    auto device = platform::OpenDevice(usbWritePath, {.read = true, .write = true, .shared = true});
    usbPipeOpened = device != nullptr;
    return usbPipeOpened;
}

template <typename Fn> Fn Lookup(const char* entryPoint) {
    return reinterpret_cast<Fn>(platform::GetProcAddress(usbLibrary, entryPoint));
}

int32_t DetectWin9xPort() {
    if (!usbLibrary) {
        usbLibrary = platform::LoadLibrary("tiropen.dll");
        if (!usbLibrary) {
            return kLpt1Port;
        }
    }
    pGetControlPortName = Lookup<GetControlPortNameFn>("GetControlPortName");
    if (!pGetControlPortName) {
        return kLpt1Port;
    }
    FetchControlPortName();
    AppendBounded(usbReadPath, "\\PIPE01");
    AppendBounded(usbWritePath, "\\PIPE00");
    DbgPrint(" USB Control Port = %s", controlPortName);
    return UsbPipeOpens() ? kUsbPort : kLpt1Port;
}

// The library named no port: with several machines on the bus the user
// picks one. False when the user wants none at all (start-up ends).
bool ChooseUsbMachine(const StartupHooks& hooks, bool& asked) {
    if (controlPortName[0] != '\0' || !pSelectControlPort || !hooks.chooseUsbDevice || asked) {
        return true;
    }
    const std::vector<UsbCandidate> candidates = UsbCandidates();
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
    UseMachine(*choice);
    FetchControlPortName();
    return true;
}

// kNoPort when the user wanted no machine at all.
int32_t DetectNt5Port(const StartupHooks& hooks, bool& asked) {
    if (!usbLibrary) {
        usbLibrary = platform::LoadLibrary("tirusb.dll");
        if (!usbLibrary) {
            return kEcp1Port;
        }
    }
    pGetControlPortName = Lookup<GetControlPortNameFn>("GetControlPortName");
    pWin2kUsbWrite = Lookup<Win2kUsbWriteFn>("Win2kUsbWrite");
    pWin2kUsbRead = Lookup<Win2kUsbReadFn>("Win2kUsbRead");
    pWin2kUsbReadWithin = Lookup<Win2kUsbReadWithinFn>("Win2kUsbReadWithin"); // may be absent
    LoadUsbChoiceEntryPoints();                                               // likewise
    if (!pGetControlPortName || !pWin2kUsbWrite || !pWin2kUsbRead) {
        return kEcp1Port;
    }
    FetchControlPortName();
    if (!ChooseUsbMachine(hooks, asked)) {
        return kNoPort;
    }
    return UsbPipeOpens() || !ExplicitDevice().empty() ? kUsbPort : kEcp1Port;
}

// False when the user wanted no machine at all.
bool DetectPort(const StartupHooks& hooks, bool& asked) {
    if (isWin9x) {
        currentPort = DetectWin9xPort();
    } else if (isNt5) {
        const int32_t port = DetectNt5Port(hooks, asked);
        if (port == kNoPort) {
            return false;
        }
        currentPort = port;
    } else {
        currentPort = kEcp1Port;
    }
    DbgPrint(" Port = %s, Win98 = %d", PortTable[currentPort], isWin9x);
    return true;
}

bool Cancelled(const StartupHooks& hooks) {
    return hooks.cancelled && hooks.cancelled();
}

// After a cancel: false to end, true to look again (at the machine the user
// named instead, if any).
bool LookAgain(const StartupHooks& hooks) {
    const std::optional<std::string> name = hooks.instead ? hooks.instead() : std::nullopt;
    if (name && !name->empty()) {
        platform::CloseRemoteSessions(); // the machine looked at before goes back
        UseMachine(*name);
    }
    return name.has_value();
}

void Looking(const StartupHooks& hooks, LookingAt where) {
    if (hooks.looking) {
        hooks.looking(where);
    }
}

// Two attempts on the current port.
bool InquireTwice(const StartupHooks& hooks) {
    Looking(hooks, currentPort == kUsbPort ? LookingAt::Usb : LookingAt::ParallelPort);
    if (hooks.waitCursor) {
        hooks.waitCursor(true);
    }
    bool answered = false;
    for (int attempt = 0; attempt < 2 && !answered && !Cancelled(hooks); ++attempt) {
        answered = Mfp_Inquiry() != 0;
    }
    if (hooks.waitCursor) {
        hooks.waitCursor(false);
    }
    return answered;
}

PortHolder HolderOf(int32_t id) {
    const std::string holder = PortHolderProgram(id);
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

StartupOutcome RunStartup(const StartupHooks& hooks) {
    ReadPortType();
    SetMachineRecordDefaults();
    FindLanguageFile();
    while (!AcquirePort(kArbitrationId)) {
        if (!hooks.portBusy || !hooks.portBusy(HolderOf(kArbitrationId))) {
            return StartupOutcome::PortBusy;
        }
    }
    AllocatePhonebookTable(inquiryRecord.capacityA + inquiryRecord.capacityB);
    DetectPlatform();

    bool askedForUsbMachine = false;
    for (;;) {
        platform::RetryRemoteNow();
        if (!DetectPort(hooks, askedForUsbMachine)) {
            return StartupOutcome::NoUsbDeviceNamed;
        }
        // The other computer's port lock: busy there as it would be here.
        if (platform::LastRemoteProblem(usbWritePath).kind == platform::RemoteFailure::kBusy) {
            if (hooks.portBusy && hooks.portBusy(PortHolder::Unknown)) {
                continue;
            }
            return StartupOutcome::PortBusy;
        }
        // A device the user named is the only one tried: no silent move to
        // the parallel port, which would then take the blame.
        const bool onlyNamed = currentPort == kUsbPort && !ExplicitDevice().empty();
        bool answered = (!onlyNamed || usbPipeOpened) && InquireTwice(hooks);
        if (!answered && !Cancelled(hooks) && currentPort == kUsbPort && !onlyNamed) {
            // The machine may sit on the parallel port instead: no message.
            currentPort = isWin9x ? kLpt1Port : kEcp1Port;
            answered = InquireTwice(hooks);
        }
        if (Cancelled(hooks)) {
            if (!LookAgain(hooks)) {
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

void UseMachine(const std::string& name) {
    if (!RememberUsbChoice(name)) {
        DbgPrint(" USB choice not remembered");
    }
    LoadUsbChoiceEntryPoints();
    if (pSelectControlPort) {
        pSelectControlPort(name.c_str());
    }
}

void RunExit() {
    ReleasePort(kArbitrationId);
    platform::CloseRemoteSessions(); // the other computer's port goes back too
    FreePhonebookTable();
}
