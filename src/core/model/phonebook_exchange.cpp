#include "model/phonebook_exchange.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "model/field_text.h"
#include "model/utf8_text.h"

#include "model/phonebook_csv.h"
#include "model/phonebook_import.h"
#include "model/phonebook_text.h"
#include "model/phonebook_vcard.h"
#include "platform/regular_file.h"
#include "platform/saved_file.h"
#include "protocol/phonebook.h"

namespace {

// Slot numbers travel as single bytes: no machine has more.
constexpr int kMostSlots = 255;

// Reads text for a table of slotCount slots; applies it to the records when
// they are given.
PhonebookImport ReadText(MachineRecords* apply, std::string_view bytes, int slotCount,
                         const PhonebookImportOptions& options) {
    PhonebookImport result;
    const std::optional<ImportText> decoded = DecodeImportText(bytes, kMaxPhonebookTextBytes);
    if (!decoded) {
        result.error = FileError::kWrongContent;
        return result;
    }
    const std::string_view text = decoded->utf8;
    std::vector<PhonebookImportNote> notes;
    if (decoded->windows1252) {
        notes.push_back({PhonebookImportNote::Kind::kWindows1252, 1, -1, "", ""});
    }
    if (LooksLikeVcards(text)) {
        result.format = PhonebookFormat::kVcard;
        result.addressBook = true;
        const std::vector<AddressCard> cards = ReadVcards(text, notes);
        if (!apply) {
            return result;
        }
        result = ImportCards(*apply, cards, options, std::move(notes));
        result.format = PhonebookFormat::kVcard;
        result.addressBook = true;
        return result;
    }
    const CsvPhonebook book = ReadCsvPhonebook(text, slotCount);
    if (!book.isCsv) {
        result.error = FileError::kWrongContent;
        return result;
    }
    if (!book.problems.empty()) {
        result.error = FileError::kProblems;
        result.problems = book.problems;
        return result;
    }
    result.addressBook = book.addressBook;
    if (!apply) {
        return result;
    }
    if (book.addressBook) {
        result = ImportCards(*apply, book.cards, options, std::move(notes));
        result.addressBook = true;
        return result;
    }
    result = ImportCsvPhonebook(*apply, book, options.internationalPrefix);
    if (result.error == FileError::kNone) {
        result.notes.insert(result.notes.begin(), notes.begin(), notes.end());
    }
    return result;
}

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace

PhonebookFormat PhonebookFormatForName(const std::string& path) {
    std::string lower = path.substr(path.find_last_of('/') + 1);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.ends_with(".vcf") || lower.ends_with(".vcard") ? PhonebookFormat::kVcard
                                                                : PhonebookFormat::kCsv;
}

std::string ExportPhonebookText(const MachineRecords& records, PhonebookFormat format) {
    return format == PhonebookFormat::kVcard ? VcardPhonebookText(records)
                                             : CsvPhonebookText(records);
}

PhonebookImport ImportPhonebookText(MachineRecords& records, std::string_view text,
                                    const PhonebookImportOptions& options) {
    if (PhonebookSlots(records) == 0 || !IsInternationalPrefix(options.internationalPrefix)) {
        PhonebookImport result;
        result.error = FileError::kFailed;
        return result;
    }
    return ReadText(&records, text, PhonebookSlots(records), options);
}

PhonebookImport CheckPhonebookText(std::string_view text) {
    return ReadText(nullptr, text, kMostSlots, {});
}

FileError ReadPhonebookTextFile(const std::string& path, std::string& text) {
    return ReadWholeFile(path, kMaxPhonebookTextBytes, text);
}

PhonebookImport ImportPhonebookFile(MachineRecords& records, const std::string& path,
                                    const PhonebookImportOptions& options) {
    std::string text;
    if (const FileError error = ReadPhonebookTextFile(path, text); error != FileError::kNone) {
        PhonebookImport result;
        result.error = error;
        result.format = PhonebookFormatForName(path);
        return result;
    }
    return ImportPhonebookText(records, text, options);
}

FileError ExportPhonebookFile(const MachineRecords& records, const std::string& path,
                              PhonebookFormat format) {
    const std::string text = ExportPhonebookText(records, format);
    return FileErrorOf(platform::SaveFile(
        path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), "pbx"));
}

FileError CheckPhonebookExportTarget(const std::string& path) {
    return FileErrorOf(platform::CheckSaveTarget(path));
}

const char* const kImportableFormats =
    "vCards, or CSV with the header slot,kind,name,number,members, or CSV as mail programs and "
    "spreadsheets export it, with a name column (Name, Display Name, First Name, Last Name, "
    "Company) and a number column (Fax, Fax Number, Business Fax, Phone, Business Phone, Phone 1 - "
    "Value, Mobile Phone), separated by commas, semicolons or tabs; or export vCards instead";

std::string ShownFileText(std::string_view utf8) {
    constexpr size_t kMostCharacters = 40;
    std::string out;
    size_t characters = 0;
    for (size_t pos = 0; pos < utf8.size(); ++characters) {
        if (characters == kMostCharacters) {
            return out + "...";
        }
        const CodePoint c = NextCodePoint(utf8, pos);
        const bool printable = c.valid && c.value >= 0x20 && c.value != 0x7F &&
                               !(c.value >= 0x80 && c.value < 0xA0) && c.value != '\\';
        out += printable ? std::string(utf8.substr(pos, c.length))
                         : field_text::EscapeText(utf8.substr(pos, c.length));
        pos += c.length;
    }
    return out;
}

std::string DescribeImportNote(const PhonebookImportNote& note) {
    using Kind = PhonebookImportNote::Kind;
    const std::string line = "line " + std::to_string(note.line) + ": ";
    const std::string slot = std::to_string(note.slot);
    const std::string before = Quote(ShownFileText(note.before));
    const std::string after = Quote(ShownFileText(note.after));
    switch (note.kind) {
    case Kind::kNameChanged:
        return line + "name " + before + " became " + after;
    case Kind::kNumberChanged:
        return line + "number " + before + " became " + after;
    case Kind::kNoNumber:
        return line + before + " has no number; left out";
    case Kind::kBadNumber:
        return line + "number " + before + " leaves " + after +
               ", too short or without a digit; left out";
    case Kind::kDuplicate:
        return line + "number " + before + " is already in slot " + slot + "; left out";
    case Kind::kNoRoom:
        return line + "no free speed-dial slot for " + before + "; left out";
    case Kind::kSlotInUse:
        return line + "slot " + slot + " is held by a group the file leaves as it is; left out";
    case Kind::kTookWork:
    case Kind::kTookPreferred:
    case Kind::kTookFirst:
        return line + before + " has no fax number; took the " +
               (note.kind == Kind::kTookWork        ? "work"
                : note.kind == Kind::kTookPreferred ? "preferred"
                                                    : "first") +
               " number " + after;
    case Kind::kNoFax:
        return line + before + " has no fax number; left out";
    case Kind::kExtension:
        return line + "number " + before + ": the extension " + after + " was dropped";
    case Kind::kUnterminated:
        return line + "the card " + before + " has no END:VCARD; left out";
    case Kind::kWindows1252:
        return line + "the file is not UTF-8; read as Windows-1252";
    }
    return line;
}
