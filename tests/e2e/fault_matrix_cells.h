#pragma once
// The vocabulary of the fault matrix: the commands, the troubles the simulated
// machine can be put in, and what a cell expects.
#include <cstdint>
#include <ostream>

#include "model/panel_context.h"
#include "protocol/inquiry.h"
#include "protocol/machine_info.h"
#include "protocol/phonebook.h"
#include "protocol/system_setup.h"
#include "protocol/system_status.h"
#include "sim/simulated_machine.h"

namespace fault_matrix {

using sim::Fault;

// --- the table's vocabulary ---------------------------------------------------

enum class Cmd {
    kInquiry,
    kGetSettings,
    kSetSettings,
    kGetStatus,
    kSetStatus,
    kGetInfo,
    kGetPhonebook,
    kSetPhonebook,
    kFirmwareUsb, // the generic path: the request is answered, through PortWrite/PortRead
    kFirmwareEcp, // the parallel-port path: the ECP device written directly
};

// Each command: its name, the routine a page runs (none for the firmware, which
// goes through the transfer engine) and the machine's command its faults hit.
struct CommandInfo {
    const char* name;
    int (*routine)(PanelContext& context);
    sim::Command target;
};

inline const CommandInfo kCommands[] = {
    {"Inquiry", [](PanelContext& c) { return Mfp_Inquiry(c.link, c.records.inquiryRecord); },
     sim::Command::Inquiry},
    {"GetSettings", [](PanelContext& c) { return Mfp_GetSettings(c.link, c.records.systemSetup); },
     sim::Command::GetSetup},
    {"SetSettings", [](PanelContext& c) { return Mfp_SetSettings(c.link, c.records.systemSetup); },
     sim::Command::SetSetup},
    {"GetStatus",
     [](PanelContext& c) { return Mfp_GetSystemStatus(c.link, c.records.systemStatus); },
     sim::Command::GetStatus},
    {"SetStatus",
     [](PanelContext& c) { return Mfp_SetSystemStatus(c.link, c.records.systemStatus); },
     sim::Command::SetStatus},
    {"GetInfo", [](PanelContext& c) { return Mfp_GetMachineInfo(c.link, c.records.machineInfo); },
     sim::Command::GetInfo},
    {"GetPhonebook", [](PanelContext& c) { return Mfp_GetPhonebook(c.link, c.records); },
     sim::Command::GetPhonebook},
    {"SetPhonebook", [](PanelContext& c) { return Mfp_SetPhonebook(c.link, c.records); },
     sim::Command::SetPhonebook},
    {"FirmwareUsb", nullptr, sim::Command::FirmwareRequest},
    {"FirmwareEcp", nullptr, sim::Command::FirmwareRequest},
};

inline const CommandInfo& Info(Cmd c) {
    return kCommands[static_cast<size_t>(c)];
}
inline const char* Name(Cmd c) {
    return Info(c).name;
}

// The machine's command that a fault hits: firmware faults hit the update
// request or the image data.
inline sim::Command MachineCommand(Cmd c, bool onData) {
    return onData ? sim::Command::FirmwareData : Info(c).target;
}

inline bool IsFirmware(Cmd c) {
    return c == Cmd::kFirmwareUsb || c == Cmd::kFirmwareEcp;
}

enum class Port { kUsb, kLpt1, kEcp };

// One fault of the machine or of the link.
struct Trouble {
    std::string name;
    Fault fault;
    bool onData = false;          // firmware: the image data is hit, not the request
    bool gone = false;            // the device will not open at all
    int opensBeforeGone = -1;     // the device disappears after this many opens
    bool controlsRefused = false; // the ECP driver refuses its mode controls
    Port port = Port::kUsb;       // the ECP firmware rows always use the ECP device
};

inline Trouble Healthy() {
    return {"healthy", Fault{}};
}
inline Trouble Silent() {
    return {"silent", Fault{.silent = true}};
}
inline Trouble CutTo(int n) {
    return {"cut to " + std::to_string(n), Fault{.cutAnswerTo = n}};
}
inline Trouble CutOnceTo(int n) {
    return {"first answer cut to " + std::to_string(n), Fault{.cutAnswerTo = n, .times = 1}};
}
inline Trouble WrongHead() {
    return {"wrong head", Fault{.wrongHead = true}};
}
inline Trouble ShortWrite(int n) {
    return {"write takes " + std::to_string(n), Fault{.acceptWriteBytes = n}};
}
inline Trouble ShortWriteOnce(int n) {
    return {"first write takes " + std::to_string(n), Fault{.acceptWriteBytes = n, .times = 1}};
}
inline Trouble Late(uint32_t ms) {
    return {"late " + std::to_string(ms), Fault{.lateMs = ms}};
}
// The parallel port sets a 3-second read time-out, so the read waits for a late answer.
Trouble LateOnLpt1(uint32_t ms) {
    Trouble t = {"late " + std::to_string(ms) + " on LPT1", Fault{.lateMs = ms}};
    t.port = Port::kLpt1;
    return t;
}
inline Trouble Gone() {
    Trouble t = {"device gone", Fault{}};
    t.gone = true;
    return t;
}
// Unplugged right after the request went out: the read finds no device. The
// two opens are the drain's and the request's.
// opens: those of the command before the plug is pulled (the firmware paths
// first read the version).
inline Trouble GoneAfterRequest(int opens = 2) {
    Trouble t = {"gone after request", Fault{}};
    t.opensBeforeGone = opens;
    return t;
}
inline Trouble DataRefused() {
    Trouble t = {"data refused", Fault{.silent = true}};
    t.onData = true;
    return t;
}
inline Trouble DataShortWrite(int n, int times = -1) {
    Trouble t = {std::string(times == 1 ? "first data write takes " : "data write takes ") +
                     std::to_string(n),
                 Fault{.acceptWriteBytes = n, .times = times}};
    t.onData = true;
    return t;
}
inline Trouble ControlsRefused() {
    Trouble t = {"controls refused", Fault{}};
    t.controlsRefused = true;
    return t;
}

enum class Result { kOk, kFail };

// What the user sees. Every page shows the not-responding box when its
// command fails and nothing when it succeeds; at start-up a failed inquiry
// leads to "Not responding" with Abort/Retry/Ignore.
enum class Shown {
    kNothing,
    kNotResponding,
    kFwFailed,   // "Failed to write data." on the message line; file kept, Update enabled
    kFwComplete, // "Update Complete!" box, then the page back to its initial look
};

enum class Records {
    kUnchanged, // every record and the table byte for byte as before
    kFilled,    // as a healthy exchange leaves them
    kClassZero, // inquiry: machineClass 0, everything else unchanged
};

enum class Machine {
    kUntouched, // the machine's records, phonebook and images as before
    kTaken,     // the machine holds what a healthy exchange gives it
    kPartImage, // firmware: untouched, but part of the image is in and more awaited
};

enum class Next {
    kClean, // a healthy command next reads the machine's data
    kFails, // it fails and changes nothing (see the cells)
};

// Why a cell that is not the sound outcome is kept.
enum class Accepted {
    kNo,
    kEcpNoAnswer, // the parallel-port update reads no answer
};

inline const char* Why(Accepted a) {
    switch (a) {
    case Accepted::kNo:
        return "";
    case Accepted::kEcpNoAnswer:
        return "accepted: the parallel-port update path reads no answer, and the machine "
               "answers afterwards as one that stored the image does";
    }
    return "?";
}

struct Cell {
    Cmd cmd;
    Trouble trouble;
    Result result;
    Shown shown;
    Records records;
    Machine machine;
    Next next = Next::kClean;
    Accepted accepted = Accepted::kNo; // kept on purpose, see Why()
};

inline void PrintTo(const Cell& cell, std::ostream* os) {
    *os << Name(cell.cmd) << ", " << cell.trouble.name;
}

inline const char* Name(Result r) {
    return r == Result::kOk ? "ok" : "fail";
}
inline const char* Name(Shown s) {
    switch (s) {
    case Shown::kNothing:
        return "nothing";
    case Shown::kNotResponding:
        return "not responding";
    case Shown::kFwFailed:
        return "firmware failed";
    case Shown::kFwComplete:
        return "firmware complete";
    }
    return "?";
}

} // namespace fault_matrix
