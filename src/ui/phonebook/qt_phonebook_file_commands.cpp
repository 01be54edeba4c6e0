#include "phonebook/qt_phonebook_file_commands.h"

#include <QFileInfo>
#include <QStringList>

#include "base/qt_desktop.h"
#include "base/qt_file_choice.h"
#include "model/lang_text.h"
#include "model/phonebook_exchange.h"
#include "model/phonebook_file.h"
#include "phonebook/CPhonebook.h"
#include "protocol/phonebook.h"

namespace {

QString Lang(const char* section, const char* key) {
    return QString::fromUtf8(GetLangString(section, key));
}

QString PhonebookFilter() {
    return file_choice::FilterEntry("PHONEBOOK", "PBOOK_FILES", "Phonebook Files", "*.pbf") +
           file_choice::AllFilesEntry();
}

QString ExchangeFilter() {
    return file_choice::FilterEntry("PHONEBOOK", "CSV_FILES", "CSV files", "*.csv") +
           file_choice::FilterEntry("PHONEBOOK", "VCARD_FILES", "vCard files", "*.vcf;*.vcard") +
           file_choice::AllFilesEntry();
}

// The message for a file that was not loaded or saved.
const char* ErrorKey(PhonebookFileError error, bool saving) {
    switch (error) {
    case PhonebookFileError::kNotRegular:
        return "IDS_PBOOK_NOT_REGULAR";
    case PhonebookFileError::kHardLinked:
        return "IDS_PBOOK_HARD_LINKED";
    case PhonebookFileError::kUnsafeLink:
        return "IDS_PBOOK_UNSAFE_LINK";
    case PhonebookFileError::kNotPhonebook:
        return "IDS_PBOOK_BAD_FILE";
    case PhonebookFileError::kDenied:
        return saving ? "IDS_PBOOK_READ_ONLY" : "IDS_PBOOK_READ_ERROR";
    default:
        return saving ? "IDS_PBOOK_SAVE_ERROR" : "IDS_PBOOK_READ_ERROR";
    }
}

const char* ErrorKey(PhonebookImportError error, bool saving) {
    switch (error) {
    case PhonebookImportError::kNotRegular:
        return "IDS_PBOOK_NOT_REGULAR";
    case PhonebookImportError::kHardLinked:
        return "IDS_PBOOK_HARD_LINKED";
    case PhonebookImportError::kUnsafeLink:
        return "IDS_PBOOK_UNSAFE_LINK";
    case PhonebookImportError::kNotPhonebook:
        return "IDS_PBOOK_NOT_EXCHANGE";
    case PhonebookImportError::kProblems:
        return "IDS_PBOOK_IMPORT_PROBLEMS";
    case PhonebookImportError::kDenied:
        return saving ? "IDS_PBOOK_READ_ONLY" : "IDS_PBOOK_READ_ERROR";
    default:
        return saving ? "IDS_PBOOK_SAVE_ERROR" : "IDS_PBOOK_READ_ERROR";
    }
}

// What became of one card or line, in the language in use.
QString NoteText(const PhonebookImportNote& note) {
    const QString slot = QString::number(note.slot);
    const QString before = QString::fromUtf8(note.before.c_str());
    const QString after = QString::fromUtf8(note.after.c_str());
    using Kind = PhonebookImportNote::Kind;
    switch (note.kind) {
    case Kind::kNameChanged:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_NAME"), {before, after});
    case Kind::kNumberChanged:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_NUMBER"), {before, after});
    case Kind::kNoNumber:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_NO_NUMBER"), {before});
    case Kind::kBadNumber:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_BAD_NUMBER"), {before});
    case Kind::kDuplicate:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_DUPLICATE"), {before, slot});
    case Kind::kNoRoom:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_NO_ROOM"), {before});
    case Kind::kSlotInUse:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_SLOT_IN_USE"), {slot});
    }
    return {};
}

} // namespace

void LoadPhonebookCommand(QWidget* owner, CPhonebook* page) {
    const QString path = file_choice::ChooseFileToOpen(owner, PhonebookFilter(), "PBF");
    if (path.isEmpty()) {
        return;
    }
    PhonebookFileError error = PhonebookFileError::kNone;
    if (ReadPhonebookFile(file_choice::LocalPath(path), &error) == 0) {
        file_choice::ShowFileError(owner, Lang("COMMON", ErrorKey(error, false)));
        return;
    }
    if (page != nullptr) {
        page->FillList();
    }
    RecountGroupRefs();
}

QString SavePhonebookCommand(QWidget* owner) {
    const QString path = file_choice::ChooseFileToSave(owner, PhonebookFilter(), "PBF");
    if (path.isEmpty()) {
        return {};
    }
    PhonebookFileError error = PhonebookFileError::kNone;
    if (WritePhonebookFile(file_choice::LocalPath(path), &error) == 0) {
        file_choice::ShowFileError(owner, Lang("COMMON", ErrorKey(error, true)));
        return {};
    }
    return QFileInfo(path).fileName();
}

QString ImportPhonebookCommand(QWidget* owner, CPhonebook* page) {
    const QString path = file_choice::ChooseFileToOpen(owner, ExchangeFilter(), "CSV");
    if (path.isEmpty()) {
        return {};
    }
    const PhonebookImport import = ImportPhonebookFile(file_choice::LocalPath(path));
    if (import.error != PhonebookImportError::kNone) {
        std::vector<std::pair<int, QString>> lines;
        for (const PhonebookImportProblem& problem : import.problems) {
            lines.emplace_back(problem.line, QString::fromStdString(problem.message));
        }
        file_choice::ShowFileError(
            owner, file_choice::WithLines(Lang("COMMON", ErrorKey(import.error, false)), lines));
        return {};
    }
    if (page != nullptr) {
        page->FillList();
    }
    QString done =
        file_choice::Filled(Lang("PHONEBOOK", "IMPORTED"),
                            {QString::number(import.slotsChanged), QFileInfo(path).fileName()});
    if (!import.notes.empty()) {
        std::vector<std::pair<int, QString>> lines;
        for (const PhonebookImportNote& note : import.notes) {
            lines.emplace_back(note.line, NoteText(note));
        }
        QString head = done;
        if (import.notFitted > 0) {
            head += QLatin1Char(' ') + file_choice::Filled(Lang("PHONEBOOK", "NOT_FITTED"),
                                                           {QString::number(import.notFitted)});
        }
        desktop::MessageBox(owner, file_choice::WithLines(head, lines), Lang("MAIN", "CAPTION"),
                            desktop::Icon::Information, desktop::Buttons::Ok);
    }
    return done;
}

QString ExportPhonebookCommand(QWidget* owner) {
    const QString path = file_choice::ChooseFileToSave(owner, ExchangeFilter(), "CSV");
    if (path.isEmpty()) {
        return {};
    }
    const std::string local = file_choice::LocalPath(path);
    const PhonebookImportError error = ExportPhonebookFile(local, PhonebookFormatForName(local));
    if (error != PhonebookImportError::kNone) {
        file_choice::ShowFileError(owner, Lang("COMMON", ErrorKey(error, true)));
        return {};
    }
    return QFileInfo(path).fileName();
}
