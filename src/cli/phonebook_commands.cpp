#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_output.h"
#include "model/panel_context.h"
#include "model/phonebook_exchange.h"
#include "model/phonebook_file.h"
#include "model/phonebook_ops.h"
#include "protocol/phonebook.h"

// phonebook list/save/write/export/import.

namespace {

// Far beyond any phonebook file (255 slots are 17890 bytes); what a pipe
// brings beyond it is not read.
constexpr size_t kMaxFileBytes = 1 << 20;

std::string_view FieldText(const char* text, size_t width) {
    return cli::TrimPadding(std::string_view(text, strnlen(text, width)));
}

const char* KindName(const PhonebookEntry& e) {
    return e.kind == 0 ? "single" : "group";
}

void PrintList(const MachineRecords& records, bool json, std::ostream& out) {
    const int n = PhonebookSlots(records);
    cli::Json all = cli::Json::Array();
    if (!json) {
        out << "SLOT\tKIND\tNAME\tNUMBER OR MEMBERS\n";
    }
    for (int i = 0; i < n; ++i) {
        const PhonebookEntry& e = records.phonebookTable[i];
        if (SlotIsEmpty(e)) {
            continue;
        }
        const std::string_view name = FieldText(e.name, kNameLength);
        if (json) {
            cli::Json slot = cli::Json::Object();
            slot.set("slot", cli::Json::Number(i));
            slot.set("kind", cli::Json::String(KindName(e)));
            slot.set("name", cli::Json::String(name));
            if (e.kind == 0) {
                slot.set("number", cli::Json::String(FieldText(e.number, kNumberLength)));
            } else {
                cli::Json members = cli::Json::Array();
                for (int m : GroupMemberSlots(records, i)) {
                    members.add(cli::Json::Number(m));
                }
                slot.set("members", std::move(members));
            }
            all.add(std::move(slot));
            continue;
        }
        out << i << "\t" << KindName(e) << "\t" << cli::EscapeText(name) << "\t";
        if (e.kind == 0) {
            out << cli::EscapeText(FieldText(e.number, kNumberLength));
        } else {
            std::string list;
            for (int m : GroupMemberSlots(records, i)) {
                list += (list.empty() ? "" : ",") + std::to_string(m);
            }
            out << list;
        }
        out << "\n";
    }
    if (json) {
        all.write(out);
    }
}

int RunList(PanelContext& context, const cli::Args&, cli::Io& io) {
    if (!Mfp_GetPhonebook(context.link, context.records)) {
        return cli::NotResponding(io, context.link, "the phonebook read");
    }
    RecountGroupRefs(context.records);
    PrintList(context.records, io.options.json, io.out);
    return cli::kExitOk;
}

// Why a phonebook file was not saved or read, after the file's name.
std::string PhonebookReason(FileError error) {
    return cli::FileReason(error, "not a phonebook file");
}

// The same for the files of other programs' address books.
std::string ExchangeReason(FileError error) {
    return cli::FileReason(error, "longer than " + std::to_string(kMaxPhonebookTextBytes >> 20) +
                                      " MiB, or not what it takes: " + kImportableFormats);
}

int RunSave(PanelContext& context, const cli::Args& args, cli::Io& io) {
    const std::string& file = args[0];
    const bool toOutput = file == "-";
    if (toOutput && io.outTerminal) {
        return cli::Fail(io, cli::kExitUsage,
                         "phonebook save -: standard output is a terminal; redirect it to a "
                         "file or a pipe");
    }
    if (!toOutput) {
        if (const FileError why = CheckPhonebookFileTarget(file); why != FileError::kNone) {
            return cli::Fail(io, cli::kExitUsage,
                             "cannot write the phonebook file '" + cli::EscapeText(file) + "': " +
                                 PhonebookReason(why) + "; nothing was read from the machine");
        }
    }
    return cli::WithMachine(context, io, [&] {
        if (!Mfp_GetPhonebook(context.link, context.records)) {
            return cli::NotResponding(io, context.link, "the phonebook read");
        }
        RecountGroupRefs(context.records);
        if (toOutput) {
            const std::vector<uint8_t> bytes = PhonebookFileBytes(context.records);
            io.out.write(reinterpret_cast<const char*>(bytes.data()),
                         static_cast<std::streamsize>(bytes.size()));
            return cli::kExitOk;
        }
        FileError error = FileError::kNone;
        if (!WritePhonebookFile(context.records, file, &error)) {
            return cli::Fail(io, cli::kExitUsage,
                             "cannot write the phonebook file '" + cli::EscapeText(file) +
                                 "': " + PhonebookReason(error) +
                                 "; an earlier file of that name is "
                                 "unchanged");
        }
        return cli::kExitOk;
    });
}

// The file goes over the machine's own phonebook, as the panel loads it over
// the page it shows: slots a short file does not reach keep their entries.
// The file is read whole before the machine is opened.
int RunWrite(PanelContext& context, const cli::Args& args, cli::Io& io) {
    const std::string& file = args[0];
    std::string text;
    FileError error = cli::ReadInput(file, io, kMaxFileBytes, text);
    std::optional<PhonebookFileContents> contents;
    if (error == FileError::kNone) {
        contents = PhonebookFileContentsOf(std::vector<uint8_t>(text.begin(), text.end()), &error);
    }
    if (!contents) {
        return cli::Fail(io, cli::kExitUsage,
                         cli::InputName(file) + " is not a phonebook file that can be read: " +
                             PhonebookReason(error) + "; nothing was sent");
    }
    return cli::WithMachine(context, io, [&] {
        if (!Mfp_GetPhonebook(context.link, context.records)) {
            return cli::NotResponding(io, context.link,
                                      "the phonebook read whole; nothing written");
        }
        // A file longer than the machine's table: its last slots have no place.
        const size_t tableBytes =
            sizeof(PhonebookEntry) * static_cast<size_t>(PhonebookSlots(context.records));
        contents->table.resize(std::min(contents->table.size(), tableBytes));
        if (contents->partialSlotBytes() > 0) {
            cli::Warn(io, "warning: " + cli::InputName(file) + " ends " +
                              std::to_string(contents->partialSlotBytes()) + " bytes into slot " +
                              std::to_string(contents->wholeSlots()) +
                              "; that slot and the ones after it keep the machine's entries");
        }
        const int changed = LoadWholeSlots(context.records, *contents);
        RecountGroupRefs(context.records);
        if (!Mfp_SetPhonebook(context.link, context.records)) {
            return cli::NotTaken(io, context.link, "the phonebook");
        }
        io.out << changed << (changed == 1 ? " slot" : " slots") << " changed\n";
        return cli::kExitOk;
    });
}

int RunExport(PanelContext& context, const cli::Args& args, cli::Io& io) {
    const std::string& file = args[0];
    const bool toOutput = file == "-";
    PhonebookFormat format = toOutput ? PhonebookFormat::kCsv : PhonebookFormatForName(file);
    if (args.size() > 1) {
        if (args[1] != "csv" && args[1] != "vcard") {
            return cli::Fail(io, cli::kExitUsage,
                             "phonebook export: the format is csv or vcard, not '" +
                                 cli::EscapeText(args[1]) + "'");
        }
        format = args[1] == "csv" ? PhonebookFormat::kCsv : PhonebookFormat::kVcard;
    }
    if (!toOutput) {
        if (const FileError why = CheckPhonebookExportTarget(file); why != FileError::kNone) {
            return cli::Fail(io, cli::kExitUsage,
                             "cannot write '" + cli::EscapeText(file) + "': " +
                                 ExchangeReason(why) + "; nothing was read from the machine");
        }
    }
    return cli::WithMachine(context, io, [&] {
        if (!Mfp_GetPhonebook(context.link, context.records)) {
            return cli::NotResponding(io, context.link, "the phonebook read");
        }
        RecountGroupRefs(context.records);
        if (toOutput) {
            io.out << ExportPhonebookText(context.records, format);
            return cli::kExitOk;
        }
        if (const FileError why = ExportPhonebookFile(context.records, file, format);
            why != FileError::kNone) {
            return cli::Fail(io, cli::kExitUsage,
                             "cannot write '" + cli::EscapeText(file) +
                                 "': " + ExchangeReason(why) +
                                 "; an earlier file of that name is unchanged");
        }
        return cli::kExitOk;
    });
}

// "FILE:LINE: message" for each line refused, then why nothing was sent.
int Refuse(const std::string& file, const PhonebookImport& result, cli::Io& io) {
    for (const PhonebookImportProblem& p : result.problems) {
        io.err << cli::EscapeText(file) << ":" << p.line << ": " << p.message << "\n";
    }
    const size_t n = result.problems.size();
    return cli::Fail(
        io, cli::kExitUsage,
        result.error == FileError::kProblems
            ? cli::InputName(file) + " has " + std::to_string(n) + (n == 1 ? " line" : " lines") +
                  " that cannot be imported; nothing was sent"
            : cli::InputName(file) + " cannot be imported: " + ExchangeReason(result.error) +
                  "; nothing was sent");
}

// What the lines say, and the notes, which then stay off standard error.
void PrintImportJson(const PhonebookImport& result, std::ostream& out) {
    cli::Json notes = cli::Json::Array();
    for (const PhonebookImportNote& note : result.notes) {
        cli::Json one = cli::Json::Object();
        one.set("line", cli::Json::Number(note.line));
        if (note.slot >= 0) {
            one.set("slot", cli::Json::Number(note.slot));
        }
        one.set("message", cli::Json::Utf8(DescribeImportNote(note)));
        notes.add(std::move(one));
    }
    cli::Json object = cli::Json::Object();
    object.set("slotsChanged", cli::Json::Number(result.slotsChanged));
    object.set("notFitted", cli::Json::Number(result.notFitted));
    object.set("notes", std::move(notes));
    object.write(out);
}

// The file is read and checked whole before the machine is opened; the
// machine's own slot count is known only once it has answered.
int RunImport(PanelContext& context, const cli::Args& args, cli::Io& io) {
    const std::string& file = args[0];
    PhonebookImportOptions options;
    if (const std::string& numbers = io.options.numbers; !numbers.empty()) {
        if (numbers != "fax-only" && numbers != "any") {
            return cli::Fail(io, cli::kExitUsage,
                             "--numbers is fax-only or any, not '" + cli::EscapeText(numbers) +
                                 "'");
        }
        options.faxOnly = numbers == "fax-only";
    }
    if (const std::string& prefix = io.options.internationalPrefix; !prefix.empty()) {
        if (!IsInternationalPrefix(prefix)) {
            return cli::Fail(io, cli::kExitUsage,
                             "--international-prefix takes 1 to 4 digits, not '" +
                                 cli::EscapeText(prefix) + "'");
        }
        options.internationalPrefix = prefix;
    }
    std::string text;
    if (const FileError error = cli::ReadInput(file, io, kMaxPhonebookTextBytes, text);
        error != FileError::kNone) {
        return cli::Fail(io, cli::kExitUsage,
                         cli::InputName(file) + " cannot be imported: " + ExchangeReason(error) +
                             "; nothing was sent");
    }
    if (const PhonebookImport check = CheckPhonebookText(text); check.error != FileError::kNone) {
        return Refuse(file, check, io);
    }
    return cli::WithMachine(context, io, [&] {
        if (!Mfp_GetPhonebook(context.link, context.records)) {
            return cli::NotResponding(io, context.link,
                                      "the phonebook read whole; nothing written");
        }
        RecountGroupRefs(context.records);
        const PhonebookImport result = ImportPhonebookText(context.records, text, options);
        if (result.error != FileError::kNone) {
            return Refuse(file, result, io);
        }
        if (!io.options.json) {
            for (const PhonebookImportNote& note : result.notes) {
                cli::Warn(io, cli::EscapeText(file) + ": " + DescribeImportNote(note));
            }
        }
        if (result.slotsChanged > 0 && !Mfp_SetPhonebook(context.link, context.records)) {
            return cli::NotTaken(io, context.link, "the phonebook");
        }
        if (io.options.json) {
            PrintImportJson(result, io.out);
            return cli::kExitOk;
        }
        if (result.slotsChanged == 0) {
            io.out << "0 slots changed; nothing was written\n";
        } else {
            io.out << result.slotsChanged << (result.slotsChanged == 1 ? " slot" : " slots")
                   << " changed\n";
        }
        if (result.notFitted > 0) {
            io.out << result.notFitted << (result.notFitted == 1 ? " card" : " cards")
                   << " did not fit\n";
        }
        return cli::kExitOk;
    });
}

const cli::Registrar phonebookList({
    .words = {"phonebook", "list"},
    .usage = "phonebook list",
    .help = "Print the used slots of the phonebook.",
    .run = RunList,
    .details = "A header line, then one line per used slot, columns separated by tabs: the "
               "slot's index, its kind (single or group), its name, and its number "
               "(single) or the indexes of the group's members, separated by commas "
               "(group). Bytes that are not printable ASCII show as \\xNN.",
    .json = true,
});

const cli::Registrar phonebookSave({
    .words = {"phonebook", "save"},
    .usage = "phonebook save FILE",
    .help = "Save the phonebook in a file (- stdout).",
    .run = RunSave,
    .minArgs = 1,
    .maxArgs = 1,
    .needsMachine = false,
    .details = "The file is checked before the machine is opened: a file that cannot be "
               "written exits 2 and nothing is read. An existing file is replaced whole, "
               "keeping its mode; - writes the file to standard output, which must not be a "
               "terminal.",
});

const cli::Registrar phonebookWrite({
    .words = {"phonebook", "write"},
    .usage = "phonebook write FILE",
    .help = "Load a phonebook file (- stdin) into the machine.",
    .run = RunWrite,
    .minArgs = 1,
    .maxArgs = 1,
    .needsMachine = false,
    .details = "The file is read whole before the machine is opened: one that is not a "
               "phonebook file exits 2 and nothing is sent. Then the machine's phonebook "
               "is read, the file's whole slots are loaded over it and it is written back; "
               "prints how many slots changed.",
});

const cli::Registrar phonebookExport({
    .words = {"phonebook", "export"},
    .usage = "phonebook export FILE [csv|vcard]",
    .help = "Save the phonebook for other programs' address books (- stdout).",
    .run = RunExport,
    .minArgs = 1,
    .maxArgs = 2,
    .needsMachine = false,
    .details = "CSV (slot,kind,name,number,members; one line per used slot) or vCard 3.0 (one "
               "card per single-number slot), UTF-8 with CRLF line ends. The format is the "
               "second argument, else the name's extension (.vcf or .vcard is vCard), else "
               "CSV. The file is checked before the machine is opened and replaced whole.",
});

const cli::Registrar phonebookImport({
    .words = {"phonebook", "import"},
    .usage = "phonebook import FILE",
    .help = "Load a CSV or vCard file (- stdin) into the machine's phonebook.",
    .run = RunImport,
    .minArgs = 1,
    .maxArgs = 1,
    .needsMachine = false,
    .details = "The file is read and checked before the machine is opened: lines that cannot "
               "be imported are listed as FILE:LINE: message, exit 2 and nothing is sent. A "
               "CSV file with the header slot,kind,name,number,members replaces the slots it "
               "names. vCards and the CSV files of mail programs and spreadsheets go into the "
               "free speed-dial slots, skipping numbers the phonebook already holds; of each "
               "card one number is taken: a fax number, else a work, a preferred or the first "
               "one. A leading + becomes the international access prefix (00, or "
               "--international-prefix); --numbers fax-only leaves out cards without a fax "
               "number. Names and numbers follow the entry editor's rules; each change or skip "
               "is listed on standard error. Prints how many slots changed and how many cards "
               "did not fit; an import that changes nothing writes nothing. --json prints "
               "slotsChanged, notFitted and the notes (line, slot, message) instead.",
    .json = true,
    .imports = true,
});

} // namespace
