#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_output.h"
#include "model/panel_context.h"
#include "model/settings_file.h"
#include "protocol/record_registry.h"

// settings save/load/diff: the settable records in a settings file
// (model/settings_file.h).

namespace {

// Why a settings file was not saved or read, after the file's name.
std::string Reason(FileError error) {
    return cli::FileReason(
        error, "its first line other than comments is not 'faxrcp settings 1', or it is longer "
               "than 1 MiB or not UTF-8 text");
}

std::string Named(const std::string& file) {
    return file == "-" ? "standard input" : cli::EscapeText(file);
}

// Every record whole, or nothing: a record not read whole would put the
// program's own values into the file or back over the machine's.
int ReadAll(PanelContext& context, cli::Io& io, const char* after) {
    for (const RecordEntry* r : SettableRecords()) {
        if (!r->get(context.link, context.records)) {
            return cli::NotResponding(io, context.link,
                                      "the " + std::string(r->name) + " read whole; " + after);
        }
    }
    return cli::kExitOk;
}

int RunSave(PanelContext& context, const cli::Args& args, cli::Io& io) {
    const std::string& file = args[0];
    const bool toOutput = file == "-";
    if (!toOutput) {
        if (const FileError why = CheckSettingsFileTarget(file); why != FileError::kNone) {
            return cli::Fail(io, cli::kExitUsage,
                             "cannot write the settings file " + cli::InputName(file) + ": " +
                                 Reason(why) + "; nothing was read from the machine");
        }
    }
    return cli::WithMachine(context, io, [&] {
        if (const int status = ReadAll(context, io, "nothing written"); status != cli::kExitOk) {
            return status;
        }
        if (toOutput) {
            io.out << SettingsFileText(context.records);
            return cli::kExitOk;
        }
        if (const FileError why = WriteSettingsFile(file, context.records);
            why != FileError::kNone) {
            return cli::Fail(io, cli::kExitUsage,
                             "cannot write the settings file " + cli::InputName(file) + ": " +
                                 Reason(why) + "; an earlier file of that name is unchanged");
        }
        return cli::kExitOk;
    });
}

// The file applied over the records; on a refusal, says why and returns the
// exit status.
int Apply(const std::string& file, const std::string& text, MachineRecords& records, cli::Io& io,
          const char* untouched) {
    std::vector<SettingsFileProblem> problems;
    const FileError why = ApplySettingsText(text, records, problems);
    if (why == FileError::kProblems) {
        for (const SettingsFileProblem& p : problems) {
            io.err << Named(file) << ":" << p.line << ": " << p.message << "\n";
        }
        return cli::Fail(io, cli::kExitUsage,
                         cli::InputName(file) + ": " + std::to_string(problems.size()) +
                             (problems.size() == 1 ? " line" : " lines") + " refused; " +
                             untouched);
    }
    if (why != FileError::kNone) {
        return cli::Fail(io, cli::kExitUsage,
                         cli::InputName(file) + " is not a settings file that can be read: " +
                             Reason(why) + "; " + untouched);
    }
    return cli::kExitOk;
}

// Checks the file whole before the machine is opened, then reads the
// records and gives body the changes the file makes to them; the records
// then hold the file over the machine.
int WithFileOverMachine(PanelContext& context, const cli::Args& args, cli::Io& io,
                        const char* untouched,
                        const std::function<int(const std::vector<SettingsFieldChange>&)>& body) {
    const std::string& file = args[0];
    std::string text;
    if (const FileError why = cli::ReadInput(file, io, kMaxSettingsFileBytes, text);
        why != FileError::kNone) {
        return cli::Fail(io, cli::kExitUsage,
                         cli::InputName(file) + " is not a settings file that can be read: " +
                             Reason(why) + "; " + untouched);
    }
    MachineRecords scratch = context.records; // its phonebook pointers are not used
    if (const int refused = Apply(file, text, scratch, io, untouched); refused != cli::kExitOk) {
        return refused;
    }
    return cli::WithMachine(context, io, [&] {
        if (const int unread = ReadAll(context, io, untouched); unread != cli::kExitOk) {
            return unread;
        }
        const MachineRecords machine = context.records;
        if (const int refused = Apply(file, text, context.records, io, untouched);
            refused != cli::kExitOk) {
            return refused;
        }
        return body(SettingsChanges(machine, context.records));
    });
}

void PrintChanges(const std::vector<SettingsFieldChange>& changes, bool json, std::ostream& out) {
    if (json) {
        cli::Json list = cli::Json::Array();
        for (const SettingsFieldChange& c : changes) {
            cli::Json change = cli::Json::Object();
            change.set("section", cli::Json::String(c.section));
            change.set("name", cli::Json::String(c.name));
            change.set("machine", cli::Json::String(c.before));
            change.set("file", cli::Json::String(c.after));
            list.add(std::move(change));
        }
        cli::Json object = cli::Json::Object();
        object.set("changes", std::move(list));
        object.write(out);
        return;
    }
    for (const SettingsFieldChange& c : changes) {
        out << c.section << "." << c.name << ": " << c.before << " -> " << c.after << "\n";
    }
}

// Only a record the file changes is written: writing the other back could
// still change it (a date the machine holds out of range comes back in it).
int RunLoad(PanelContext& context, const cli::Args& args, cli::Io& io) {
    return WithFileOverMachine(context, args, io, "nothing was sent", [&](const auto& changes) {
        if (changes.empty()) {
            if (io.options.json) {
                PrintChanges(changes, true, io.out);
            } else {
                io.out << "nothing to change\n";
            }
            return cli::kExitOk;
        }
        const auto touches = [&](std::string_view section) {
            return std::any_of(changes.begin(), changes.end(),
                               [&](const SettingsFieldChange& c) { return c.section == section; });
        };
        std::string written;
        for (const RecordEntry* r : SettableRecords()) {
            if (!touches(r->name)) {
                continue;
            }
            if (!r->set(context.link, context.records)) {
                return cli::NotTaken(io, context.link, "the " + std::string(r->name) + " record",
                                     written.empty() ? "nothing was changed"
                                                     : "the " + written + " was written");
            }
            written += (written.empty() ? "" : " and the ") + std::string(r->name);
        }
        PrintChanges(changes, io.options.json, io.out);
        return cli::kExitOk;
    });
}

// As diff and cmp: 0 when the file and the machine agree, 1 when they differ.
int RunDiff(PanelContext& context, const cli::Args& args, cli::Io& io) {
    return WithFileOverMachine(context, args, io, "the machine was not compared",
                               [&](const auto& changes) {
                                   PrintChanges(changes, io.options.json, io.out);
                                   return changes.empty() ? cli::kExitOk : cli::kExitDiffers;
                               });
}

const cli::Registrar settingsSave({
    .words = {"settings", "save"},
    .usage = "settings save FILE",
    .help = "Save the setup and the status in a settings file (- stdout).",
    .run = RunSave,
    .minArgs = 1,
    .maxArgs = 1,
    .needsMachine = false,
    .details = "The file is checked before the machine is opened: a file that cannot be "
               "written exits 2 and nothing is read. Both records are read whole, or "
               "nothing is written (exit 1). The file is text: a line 'faxrcp settings 1', "
               "then [setup] and [status] with every field as name=value, as 'setup get' "
               "and 'status get' print them. An existing file is replaced whole, keeping "
               "its mode.",
});

const cli::Registrar settingsLoad({
    .words = {"settings", "load"},
    .usage = "settings load FILE",
    .help = "Write a settings file (- stdin) into the machine.",
    .run = RunLoad,
    .minArgs = 1,
    .maxArgs = 1,
    .needsMachine = false,
    .details = "The file is checked whole before the machine is opened: each refused line "
               "is printed as FILE:LINE: message, the command exits 2 and nothing is sent. "
               "Then both records are read, the file's fields are put over them (fields "
               "it leaves out keep the machine's values) and each record the file changes is "
               "written. Prints "
               "each changed field as section.name: old -> new, or 'nothing to change' "
               "(then nothing is written).",
    .json = true,
});

const cli::Registrar settingsDiff({
    .words = {"settings", "diff"},
    .usage = "settings diff FILE",
    .help = "Print the fields a settings file (- stdin) would change.",
    .run = RunDiff,
    .minArgs = 1,
    .maxArgs = 1,
    .needsMachine = false,
    .details = "The file is checked as 'settings load' checks it; then both records are "
               "read and each field the file would change is printed as section.name: "
               "machine value -> file value. Nothing is written. Exits 0 when the file "
               "changes nothing, 1 when it would change a field (as diff does); 1 is "
               "also the exit of a machine that does not answer, which prints a message "
               "on standard error.",
    .json = true,
});

} // namespace
