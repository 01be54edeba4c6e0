#include <cstring>
#include <vector>

#include "cli/cli_command.h"
#include "cli/record_fields.h"
#include "model/panel_context.h"
#include "protocol/record_registry.h"

// For each record of the registry: NAME get/set/fields, or NAME alone for a
// read-only one (info).

namespace {

using Record = RecordEntry;

void* Held(const Record& r, MachineRecords& records) {
    return r.record(records);
}

std::string Read(const Record& r) {
    return "the " + std::string(r.name) + " read";
}

int RunGet(PanelContext& context, const Record& r, const cli::Args& names, cli::Io& io) {
    const cli::Selection selection = cli::SelectFields(r.descriptor, names, r.name, io.options.all);
    if (!selection.error.empty()) {
        return cli::Fail(io, cli::kExitUsage, selection.error);
    }
    return cli::WithMachine(context, io, [&] {
        if (!r.get(context.link, context.records)) {
            return cli::NotResponding(io, context.link, Read(r));
        }
        cli::PrintFields(selection.fields, Held(r, context.records), io.options.json, io.out);
        return cli::kExitOk;
    });
}

// Every assignment is checked on a scratch record before the machine is
// opened. The get succeeds only when the answer brought the whole block: a
// record not read whole would send the program's own values back over the
// machine's.
int RunSet(PanelContext& context, const Record& r, const cli::Args& args, cli::Io& io) {
    std::vector<char> scratch(r.descriptor.recordSize);
    std::memcpy(scratch.data(), Held(r, context.records), scratch.size());
    const std::vector<std::string> refusals =
        cli::ApplyAssignments(r.descriptor, r.name, args, scratch.data());
    for (const std::string& refusal : refusals) {
        cli::Warn(io, refusal);
    }
    if (!refusals.empty()) {
        return cli::kExitUsage;
    }
    return cli::WithMachine(context, io, [&] {
        if (!r.get(context.link, context.records)) {
            return cli::NotResponding(io, context.link, Read(r) + " whole; nothing written");
        }
        cli::ApplyAssignments(r.descriptor, r.name, args, Held(r, context.records));
        if (!r.set(context.link, context.records)) {
            return cli::NotTaken(io, context.link, "the " + std::string(r.name) + " record");
        }
        cli::PrintFields(cli::SelectFields(r.descriptor, {}, r.name, io.options.all).fields,
                         Held(r, context.records), io.options.json, io.out);
        return cli::kExitOk;
    });
}

int RunFields(PanelContext& context, const Record& r, cli::Io& io) {
    return cli::WithMachine(context, io, [&] {
        if (!r.get(context.link, context.records)) {
            return cli::NotResponding(io, context.link, Read(r));
        }
        cli::PrintFieldTable(r.descriptor, Held(r, context.records), io.options.json,
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

void RegisterRecord(const Record& r) {
    const std::string name = r.name;
    const auto fieldHelp = [&r](std::ostream& out) { cli::PrintFieldHelp(r.descriptor, out); };
    // A read-only record is printed by its name alone.
    const cli::Args words = r.Settable() ? cli::Args{name, "get"} : cli::Args{name};
    cli::RegisterCommand({
        .words = words,
        .usage = (r.Settable() ? name + " get" : name) + " [NAME...]",
        .help = "Print " + std::string(r.title) + ", one name=value a line.",
        .run = [&r](PanelContext& c, const cli::Args& a,
                    cli::Io& io) { return RunGet(c, r, a, io); },
        .maxArgs = kManyArgs,
        .needsMachine = false,
        .details = "With NAMEs, only those fields, in that order.",
        .moreHelp = fieldHelp,
        .json = true,
    });
    if (!r.Settable()) {
        return;
    }
    const std::string notes = r.setNotes;
    cli::RegisterCommand({
        .words = {name, "set"},
        .usage = name + " set NAME=VALUE...",
        .help = "Change fields of " + std::string(r.title) + ".",
        .run = [&r](PanelContext& c, const cli::Args& a,
                    cli::Io& io) { return RunSet(c, r, a, io); },
        .minArgs = 1,
        .maxArgs = kManyArgs,
        .needsMachine = false,
        .details = std::string(kSetDetails) + (notes.empty() ? "" : "\n\n" + notes),
        .moreHelp = fieldHelp,
        .json = true,
    });
    cli::RegisterCommand({
        .words = {name, "fields"},
        .usage = name + " fields",
        .help = "List the " + name + "'s fields, values and ranges.",
        .run = [&r](PanelContext& c, const cli::Args&, cli::Io& io) { return RunFields(c, r, io); },
        .needsMachine = false,
        .json = true,
    });
}

const bool registered = [] {
    for (const Record& r : RecordRegistry()) {
        RegisterRecord(r);
    }
    return true;
}();

} // namespace
