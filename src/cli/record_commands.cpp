#include <cstring>
#include <vector>

#include "app/panel.h"
#include "cli/cli_command.h"
#include "cli/record_fields.h"
#include "protocol/machine_info.h"
#include "protocol/record_table.h"
#include "protocol/system_setup.h"
#include "protocol/system_status.h"

// setup get/set/fields, status get/set/fields, info.

namespace {

struct Record {
    const char* what; // as the commands name it
    const RecordDescriptor& descriptor;
    void* (*record)(MachineRecords& records);
    int (*get)(LinkState& link, MachineRecords& records);
    int (*set)(LinkState& link, const MachineRecords& records);
};

const Record kSetup{
    "setup", kSetupRecord, [](MachineRecords& r) -> void* { return &r.systemSetup; },
    [](LinkState& link, MachineRecords& r) { return Mfp_GetSettings(link, r.systemSetup); },
    [](LinkState& link, const MachineRecords& r) { return Mfp_SetSettings(link, r.systemSetup); }};
const Record kStatus{
    "status", kStatusRecord, [](MachineRecords& r) -> void* { return &r.systemStatus; },
    [](LinkState& link, MachineRecords& r) { return Mfp_GetSystemStatus(link, r.systemStatus); },
    [](LinkState& link, const MachineRecords& r) {
        return Mfp_SetSystemStatus(link, r.systemStatus);
    }};
const Record kInfo{
    "info", kInfoRecord, [](MachineRecords& r) -> void* { return &r.machineInfo; },
    [](LinkState& link, MachineRecords& r) { return Mfp_GetMachineInfo(link, r.machineInfo); },
    nullptr};

std::string Read(const Record& r) {
    return "the " + std::string(r.what) + " read";
}

int RunGet(const Record& r, const cli::Args& names, cli::Io& io) {
    const cli::Selection selection = cli::SelectFields(r.descriptor, names, r.what, io.options.all);
    if (!selection.error.empty()) {
        return cli::Fail(io, cli::kExitUsage, selection.error);
    }
    return cli::WithMachine(io, [&] {
        if (!r.get(panelContext.link, panelContext.records)) {
            return cli::NotResponding(io, Read(r));
        }
        cli::PrintFields(selection.fields, r.record(panelContext.records), io.options.json, io.out);
        return cli::kExitOk;
    });
}

// Every assignment is checked on a scratch record before the machine is
// opened. The get succeeds only when the answer brought the whole block: a
// record not read whole would send the program's own values back over the
// machine's.
int RunSet(const Record& r, const cli::Args& args, cli::Io& io) {
    std::vector<char> scratch(r.descriptor.recordSize);
    std::memcpy(scratch.data(), r.record(panelContext.records), scratch.size());
    const std::vector<std::string> refusals =
        cli::ApplyAssignments(r.descriptor, r.what, args, scratch.data());
    for (const std::string& refusal : refusals) {
        cli::Warn(io, refusal);
    }
    if (!refusals.empty()) {
        return cli::kExitUsage;
    }
    return cli::WithMachine(io, [&] {
        if (!r.get(panelContext.link, panelContext.records)) {
            return cli::NotResponding(io, Read(r) + " whole; nothing written");
        }
        cli::ApplyAssignments(r.descriptor, r.what, args, r.record(panelContext.records));
        if (!r.set(panelContext.link, panelContext.records)) {
            return cli::NotTaken(io, "the " + std::string(r.what) + " record");
        }
        cli::PrintFields(cli::SelectFields(r.descriptor, {}, r.what, io.options.all).fields,
                         r.record(panelContext.records), io.options.json, io.out);
        return cli::kExitOk;
    });
}

int RunFields(const Record& r, cli::Io& io) {
    return cli::WithMachine(io, [&] {
        if (!r.get(panelContext.link, panelContext.records)) {
            return cli::NotResponding(io, Read(r));
        }
        cli::PrintFieldTable(r.descriptor, r.record(panelContext.records), io.options.json,
                             io.options.all, io.out);
        return cli::kExitOk;
    });
}

constexpr int kManyArgs = 64;

const char* const kSetDetails =
    "Each NAME is a field of 'get'; each VALUE is written as 'get' prints it. "
    "Choices take their names (any letter case) or their numbers; numbers, texts "
    "and dates must lie in the ranges the panel's pages allow. Every assignment "
    "is checked before the machine is opened: one that does not fit exits 2 "
    "naming the field, the value and what the field takes, and nothing is sent. "
    "The record is read whole, changed and written back, then printed.";

const cli::Registrar setupGet({
    .words = {"setup", "get"},
    .usage = "setup get [NAME...]",
    .help = "Print the system setup, one name=value a line.",
    .run = [](const cli::Args& a, cli::Io& io) { return RunGet(kSetup, a, io); },
    .maxArgs = kManyArgs,
    .needsMachine = false,
    .details = "With NAMEs, only those fields, in that order.",
    .moreHelp = [](std::ostream& out) { cli::PrintFieldHelp(kSetupRecord, out); },
    .json = true,
});

const cli::Registrar setupSet({
    .words = {"setup", "set"},
    .usage = "setup set NAME=VALUE...",
    .help = "Change fields of the system setup.",
    .run = [](const cli::Args& a, cli::Io& io) { return RunSet(kSetup, a, io); },
    .minArgs = 1,
    .maxArgs = kManyArgs,
    .needsMachine = false,
    .details = kSetDetails,
    .moreHelp = [](std::ostream& out) { cli::PrintFieldHelp(kSetupRecord, out); },
    .json = true,
});

const cli::Registrar setupFields({
    .words = {"setup", "fields"},
    .usage = "setup fields",
    .help = "List the setup's fields, values and ranges.",
    .run = [](const cli::Args&, cli::Io& io) { return RunFields(kSetup, io); },
    .needsMachine = false,
    .json = true,
});

const cli::Registrar statusGet({
    .words = {"status", "get"},
    .usage = "status get [NAME...]",
    .help = "Print the system status, one name=value a line.",
    .run = [](const cli::Args& a, cli::Io& io) { return RunGet(kStatus, a, io); },
    .maxArgs = kManyArgs,
    .needsMachine = false,
    .details = "With NAMEs, only those fields, in that order.",
    .moreHelp = [](std::ostream& out) { cli::PrintFieldHelp(kStatusRecord, out); },
    .json = true,
});

const cli::Registrar statusSet({
    .words = {"status", "set"},
    .usage = "status set NAME=VALUE...",
    .help = "Change fields of the system status.",
    .run = [](const cli::Args& a, cli::Io& io) { return RunSet(kStatus, a, io); },
    .minArgs = 1,
    .maxArgs = kManyArgs,
    .needsMachine = false,
    .details = std::string(kSetDetails) +
               "\n\nDates are \"YYYY-MM-DD HH:MM\" (quote the blank), real dates from 1990 "
               "to 2089. Texts take the characters the Advanced page takes; the machine "
               "ID's letters become capitals.",
    .moreHelp = [](std::ostream& out) { cli::PrintFieldHelp(kStatusRecord, out); },
    .json = true,
});

const cli::Registrar statusFields({
    .words = {"status", "fields"},
    .usage = "status fields",
    .help = "List the status's fields, values and ranges.",
    .run = [](const cli::Args&, cli::Io& io) { return RunFields(kStatus, io); },
    .needsMachine = false,
    .json = true,
});

const cli::Registrar info({
    .words = {"info"},
    .usage = "info [NAME...]",
    .help = "Print versions and counters, one name=value a line.",
    .run = [](const cli::Args& a, cli::Io& io) { return RunGet(kInfo, a, io); },
    .maxArgs = kManyArgs,
    .needsMachine = false,
    .details = "With NAMEs, only those fields, in that order.",
    .moreHelp = [](std::ostream& out) { cli::PrintFieldHelp(kInfoRecord, out); },
    .json = true,
});

} // namespace
