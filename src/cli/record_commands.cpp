#include "cli/cli_command.h"
#include "cli/record_fields.h"
#include "protocol/machine_info.h"
#include "protocol/system_setup.h"
#include "protocol/system_status.h"

// setup get/set, status get/set, info.

namespace {

int RunSetupGet(const cli::Args&, cli::Io& io) {
    if (!Mfp_GetSettings()) {
        return cli::NotResponding(io);
    }
    cli::PrintRecord(cli::SetupFields(), systemSetup, io.out);
    return cli::kExitOk;
}

int RunStatusGet(const cli::Args&, cli::Io& io) {
    if (!Mfp_GetSystemStatus()) {
        return cli::NotResponding(io);
    }
    cli::PrintRecord(cli::StatusFields(), systemStatus, io.out);
    return cli::kExitOk;
}

int RunInfo(const cli::Args&, cli::Io& io) {
    if (!Mfp_GetMachineInfo()) {
        return cli::NotResponding(io);
    }
    cli::PrintRecord(cli::InfoFields(), machineInfo, io.out);
    return cli::kExitOk;
}

// Read, change the named fields, write back, print. Every argument is checked
// on a scratch record before the machine is asked anything. The get succeeds
// only when the answer brought the whole block: a record not read whole would
// send the program's own values back over the machine's.
template <typename Record>
int RunSet(const char* what, const std::vector<cli::Field<Record>>& fields, Record& record,
           int (*get)(), int (*set)(), const cli::Args& args, cli::Io& io) {
    Record scratch = record;
    if (auto error = cli::ApplyAssignments(fields, args, scratch)) {
        io.err << "faxrcp-cli: " << *error << "\n";
        return cli::kExitUsage;
    }
    if (!get()) {
        io.err << "faxrcp-cli: the " << what << " was not read whole; nothing written\n";
        return cli::NotResponding(io);
    }
    cli::ApplyAssignments(fields, args, record);
    if (!set()) {
        return cli::NotResponding(io);
    }
    cli::PrintRecord(fields, record, io.out);
    return cli::kExitOk;
}

int RunSetupSet(const cli::Args& args, cli::Io& io) {
    return RunSet("setup", cli::SetupFields(), systemSetup, Mfp_GetSettings, Mfp_SetSettings, args,
                  io);
}

int RunStatusSet(const cli::Args& args, cli::Io& io) {
    return RunSet("status", cli::StatusFields(), systemStatus, Mfp_GetSystemStatus,
                  Mfp_SetSystemStatus, args, io);
}

constexpr int kManyArgs = 64;

const cli::Registrar setupGet({
    .words = {"setup", "get"},
    .usage = "setup get",
    .help = "Print the machine's system setup, one name=value a line.",
    .run = RunSetupGet,
});

const cli::Registrar setupSet({
    .words = {"setup", "set"},
    .usage = "setup set NAME=VALUE...",
    .help = "Change fields of the system setup and write it back.",
    .run = RunSetupSet,
    .minArgs = 1,
    .maxArgs = kManyArgs,
});

const cli::Registrar statusGet({
    .words = {"status", "get"},
    .usage = "status get",
    .help = "Print the machine's system status, one name=value a line.",
    .run = RunStatusGet,
});

const cli::Registrar statusSet({
    .words = {"status", "set"},
    .usage = "status set NAME=VALUE...",
    .help = "Change fields of the system status and write it back "
            "(dates as \"YYYY-MM-DD HH:MM\", statusExtra as five numbers a,b,c,d,e).",
    .run = RunStatusSet,
    .minArgs = 1,
    .maxArgs = kManyArgs,
});

const cli::Registrar info({
    .words = {"info"},
    .usage = "info",
    .help = "Print the machine's versions and counters, one name=value a line.",
    .run = RunInfo,
});

} // namespace
