#include "model/phonebook_exchange.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "model/phonebook_csv.h"
#include "model/phonebook_text.h"
#include "model/phonebook_vcard.h"
#include "platform/regular_file.h"
#include "platform/saved_file.h"
#include "protocol/phonebook.h"

namespace {

// Slot numbers travel as single bytes: no machine has more.
constexpr int kMostSlots = 255;

// Reads text for a table of slotCount slots; applies it when apply is set.
PhonebookImport ReadText(std::string_view text, int slotCount, bool apply) {
    PhonebookImport result;
    const std::optional<std::string_view> body = Utf8FileText(text, kMaxPhonebookTextBytes);
    if (!body) {
        result.error = FileError::kWrongContent;
        return result;
    }
    text = *body;
    if (LooksLikeVcards(text)) {
        result.format = PhonebookFormat::kVcard;
        return apply ? ImportVcards(ReadVcards(text)) : result;
    }
    const CsvPhonebook book = ReadCsvPhonebook(text, slotCount);
    if (!book.isCsv) {
        result.error = FileError::kWrongContent;
        return result;
    }
    if (apply) {
        return ImportCsvPhonebook(book);
    }
    if (!book.problems.empty()) {
        result.error = FileError::kProblems;
        result.problems = book.problems;
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

std::string ExportPhonebookText(PhonebookFormat format) {
    return format == PhonebookFormat::kVcard ? VcardPhonebookText() : CsvPhonebookText();
}

PhonebookImport ImportPhonebookText(std::string_view text) {
    if (PhonebookSlots() == 0) {
        PhonebookImport result;
        result.error = FileError::kFailed;
        return result;
    }
    return ReadText(text, PhonebookSlots(), true);
}

PhonebookImport CheckPhonebookText(std::string_view text) {
    return ReadText(text, kMostSlots, false);
}

FileError ReadPhonebookTextFile(const std::string& path, std::string& text) {
    return ReadWholeFile(path, kMaxPhonebookTextBytes, text);
}

PhonebookImport ImportPhonebookFile(const std::string& path) {
    std::string text;
    if (const FileError error = ReadPhonebookTextFile(path, text); error != FileError::kNone) {
        PhonebookImport result;
        result.error = error;
        result.format = PhonebookFormatForName(path);
        return result;
    }
    return ImportPhonebookText(text);
}

FileError ExportPhonebookFile(const std::string& path, PhonebookFormat format) {
    const std::string text = ExportPhonebookText(format);
    return FileErrorOf(platform::SaveFile(
        path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), "pbx"));
}

FileError CheckPhonebookExportTarget(const std::string& path) {
    return FileErrorOf(platform::CheckSaveTarget(path));
}

std::string DescribeImportNote(const PhonebookImportNote& note) {
    using Kind = PhonebookImportNote::Kind;
    const std::string line = "line " + std::to_string(note.line) + ": ";
    const std::string slot = std::to_string(note.slot);
    switch (note.kind) {
    case Kind::kNameChanged:
        return line + "name " + Quote(note.before) + " became " + Quote(note.after);
    case Kind::kNumberChanged:
        return line + "number " + Quote(note.before) + " became " + Quote(note.after);
    case Kind::kNoNumber:
        return line + Quote(note.before) + " has no number; left out";
    case Kind::kBadNumber:
        return line + "number " + Quote(note.before) + " leaves " + Quote(note.after) +
               ", too short or without a digit; left out";
    case Kind::kDuplicate:
        return line + "number " + Quote(note.before) + " is already in slot " + slot + "; left out";
    case Kind::kNoRoom:
        return line + "no free speed-dial slot for " + Quote(note.before) + "; left out";
    case Kind::kSlotInUse:
        return line + "slot " + slot + " is held by a group the file leaves as it is; left out";
    }
    return line;
}
