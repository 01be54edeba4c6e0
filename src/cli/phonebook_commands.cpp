#include <cstring>
#include <optional>
#include <string>

#include "cli/cli_command.h"
#include "model/phonebook_file.h"
#include "protocol/phonebook.h"

// phonebook save/write/list.

namespace {

bool SlotEmpty(const PhonebookEntry& e) {
    return e.kind == 0 && e.name[0] == 0 && e.number[0] == 0;
}

std::string FieldText(const char* text, size_t width) {
    return std::string(text, strnlen(text, width));
}

// The table indexes a group holds, ascending.
std::string MemberList(int index, const PhonebookEntry& e) {
    const int n = PhonebookSlots();
    const int s = SpeedDialSlots();
    std::string list;
    auto add = [&list](int slot) { list += (list.empty() ? "" : ",") + std::to_string(slot); };
    if (index >= s) {
        if (e.members[0] < n) {
            add(e.members[0]);
        }
        return list;
    }
    for (int k = 0; k < s && k < kSpeedBitmapBits; ++k) {
        if (MemberBit(e.members, kSpeedBitmapOffset, k)) {
            add(k);
        }
    }
    for (int k = 0; k < n - s && k < kOneTouchBitmapBits; ++k) {
        if (MemberBit(e.members, kOneTouchBitmapOffset, k)) {
            add(s + k);
        }
    }
    return list;
}

int RunList(const cli::Args&, cli::Io& io) {
    if (!Mfp_GetPhonebook()) {
        return cli::NotResponding(io);
    }
    RecountGroupRefs();
    const int n = PhonebookSlots();
    for (int i = 0; i < n; ++i) {
        const PhonebookEntry& e = PhonebookTable[i];
        if (SlotEmpty(e)) {
            continue;
        }
        io.out << i << "\t" << int{e.kind} << "\t" << FieldText(e.name, kNameLength) << "\t"
               << (e.kind == 0 ? FieldText(e.number, kNumberLength) : MemberList(i, e)) << "\n";
    }
    return cli::kExitOk;
}

// Why a phonebook file was not saved or read, after the file's name.
const char* Reason(PhonebookFileError error) {
    switch (error) {
    case PhonebookFileError::kMissing:
        return "no such file or folder";
    case PhonebookFileError::kDenied:
        return "permission denied";
    case PhonebookFileError::kNotRegular:
        return "not a regular file (a folder, device or pipe)";
    case PhonebookFileError::kHardLinked:
        return "the file has more than one name (hard links) and saving would separate them; "
               "save under another name";
    case PhonebookFileError::kUnsafeLink:
        return "a symbolic link that loops or that another user made in a shared folder";
    case PhonebookFileError::kNotPhonebook:
        return "not a phonebook file";
    case PhonebookFileError::kNoTable:
        return "no phonebook in memory";
    case PhonebookFileError::kNone:
    case PhonebookFileError::kFailed:
        break;
    }
    return "read or write error";
}

int RunSave(const cli::Args& args, cli::Io& io) {
    if (!Mfp_GetPhonebook()) {
        return cli::NotResponding(io);
    }
    RecountGroupRefs();
    PhonebookFileError error = PhonebookFileError::kNone;
    if (!WritePhonebookFile(args[0], &error)) {
        io.err << "faxrcp-cli: cannot write the phonebook file '" << args[0]
               << "': " << Reason(error) << "; an earlier file of that name is unchanged\n";
        return cli::kExitUsage;
    }
    return cli::kExitOk;
}

// The file goes over the machine's own phonebook, as the panel loads it over
// the page it shows: slots a short file does not reach keep their entries.
int RunWrite(const cli::Args& args, cli::Io& io) {
    PhonebookFileError error = PhonebookFileError::kNone;
    const std::optional<PhonebookFileContents> file = ReadPhonebookFileContents(args[0], &error);
    if (!file) {
        io.err << "faxrcp-cli: '" << args[0]
               << "' is not a phonebook file that can be read: " << Reason(error) << "\n";
        return cli::kExitUsage;
    }
    if (!Mfp_GetPhonebook()) {
        io.err << "faxrcp-cli: the machine's phonebook was not read whole; nothing written\n";
        return cli::NotResponding(io);
    }
    if (file->partialSlotBytes() > 0) {
        io.err << "faxrcp-cli: warning: '" << args[0] << "' ends " << file->partialSlotBytes()
               << " bytes into slot " << file->wholeSlots()
               << "; that slot and the ones after it keep the machine's entries\n";
    }
    const int changed = LoadWholeSlots(*file);
    RecountGroupRefs();
    if (!Mfp_SetPhonebook()) {
        return cli::NotResponding(io);
    }
    io.out << changed << (changed == 1 ? " slot" : " slots") << " changed\n";
    return cli::kExitOk;
}

const cli::Registrar phonebookList({
    .words = {"phonebook", "list"},
    .usage = "phonebook list",
    .help = "Read the phonebook and print each used slot: index, kind, name, number or members.",
    .run = RunList,
});

const cli::Registrar phonebookSave({
    .words = {"phonebook", "save"},
    .usage = "phonebook save FILE",
    .help = "Read the phonebook from the machine into a phonebook file (exit 2: file error).",
    .run = RunSave,
    .minArgs = 1,
    .maxArgs = 1,
});

const cli::Registrar phonebookWrite({
    .words = {"phonebook", "write"},
    .usage = "phonebook write FILE",
    .help = "Read the machine's phonebook, load a phonebook file over it and write it back; "
            "prints how many slots changed (exit 2: file error).",
    .run = RunWrite,
    .minArgs = 1,
    .maxArgs = 1,
});

} // namespace
