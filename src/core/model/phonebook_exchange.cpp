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

std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
}

// Reads text for a table of slotCount slots; applies it when apply is set.
PhonebookImport ReadText(std::string_view text, int slotCount, bool apply) {
    PhonebookImport result;
    text = WithoutByteOrderMark(text);
    if (text.size() > kMaxPhonebookTextBytes || !IsUtf8(text)) {
        result.error = PhonebookImportError::kNotPhonebook;
        return result;
    }
    if (LooksLikeVcards(text)) {
        result.format = PhonebookFormat::kVcard;
        return apply ? ImportVcards(ReadVcards(text)) : result;
    }
    const CsvPhonebook book = ReadCsvPhonebook(text, slotCount);
    if (!book.isCsv) {
        result.error = PhonebookImportError::kNotPhonebook;
        return result;
    }
    if (apply) {
        return ImportCsvPhonebook(book);
    }
    if (!book.problems.empty()) {
        result.error = PhonebookImportError::kProblems;
        result.problems = book.problems;
    }
    return result;
}

PhonebookImportError FromSaveError(platform::SaveFileError error) {
    switch (error) {
    case platform::SaveFileError::kNone:
        return PhonebookImportError::kNone;
    case platform::SaveFileError::kMissing:
        return PhonebookImportError::kMissing;
    case platform::SaveFileError::kDenied:
        return PhonebookImportError::kDenied;
    case platform::SaveFileError::kNotRegular:
        return PhonebookImportError::kNotRegular;
    case platform::SaveFileError::kHardLinked:
        return PhonebookImportError::kHardLinked;
    case platform::SaveFileError::kUnsafeLink:
        return PhonebookImportError::kUnsafeLink;
    case platform::SaveFileError::kFailed:
        break;
    }
    return PhonebookImportError::kFailed;
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
        result.error = PhonebookImportError::kFailed;
        return result;
    }
    return ReadText(text, PhonebookSlots(), true);
}

PhonebookImport CheckPhonebookText(std::string_view text) {
    return ReadText(text, kMostSlots, false);
}

PhonebookImportError ReadPhonebookTextFile(const std::string& path, std::string& text) {
    platform::OpenFileError openError = platform::OpenFileError::kNone;
    const platform::FileDescriptor fd = platform::OpenRegularFile(path, &openError);
    if (!fd) {
        switch (openError) {
        case platform::OpenFileError::kMissing:
            return PhonebookImportError::kMissing;
        case platform::OpenFileError::kDenied:
            return PhonebookImportError::kDenied;
        case platform::OpenFileError::kNotRegular:
            return PhonebookImportError::kNotRegular;
        default:
            return PhonebookImportError::kFailed;
        }
    }
    // One byte more than allowed tells a file that is too long.
    text.assign(kMaxPhonebookTextBytes + 1, '\0');
    const long got = platform::ReadFully(fd.get(), text.data(), text.size());
    if (got < 0) {
        text.clear();
        return PhonebookImportError::kFailed;
    }
    text.resize(static_cast<size_t>(got));
    if (text.size() > kMaxPhonebookTextBytes) {
        text.clear();
        return PhonebookImportError::kNotPhonebook;
    }
    return PhonebookImportError::kNone;
}

PhonebookImport ImportPhonebookFile(const std::string& path) {
    std::string text;
    if (const PhonebookImportError error = ReadPhonebookTextFile(path, text);
        error != PhonebookImportError::kNone) {
        PhonebookImport result;
        result.error = error;
        result.format = PhonebookFormatForName(path);
        return result;
    }
    return ImportPhonebookText(text);
}

PhonebookImportError ExportPhonebookFile(const std::string& path, PhonebookFormat format) {
    const std::string text = ExportPhonebookText(format);
    return FromSaveError(platform::SaveFile(
        path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), "pbx"));
}

PhonebookImportError CheckPhonebookExportTarget(const std::string& path) {
    return FromSaveError(platform::CheckSaveTarget(path));
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
