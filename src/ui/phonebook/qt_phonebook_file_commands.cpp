#include "phonebook/qt_phonebook_file_commands.h"

#include <QFileInfo>
#include <QStringList>

#include "base/qt_file_choice.h"
#include "desktop/qt_desktop.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "model/phonebook_exchange.h"
#include "model/phonebook_file.h"
#include "model/phonebook_import_choice.h"
#include "phonebook/CImportQuestion.h"
#include "protocol/phonebook.h"

namespace {

QString Lang(const char* section, const char* key) {
    return QString::fromUtf8(GetLangString(section, key));
}

constexpr file_choice::FileMessages kPhonebookMessages{
    "IDS_PBOOK_READ_ERROR", "IDS_PBOOK_SAVE_ERROR", "IDS_PBOOK_BAD_FILE", "IDS_PBOOK_NOT_REGULAR"};
constexpr file_choice::FileMessages kExchangeMessages{
    "IDS_PBOOK_READ_ERROR", "IDS_PBOOK_SAVE_ERROR", "IDS_PBOOK_NOT_EXCHANGE",
    "IDS_PBOOK_NOT_REGULAR", "IDS_PBOOK_IMPORT_PROBLEMS"};

QString PhonebookFilter() {
    return file_choice::FilterEntry("PHONEBOOK", "PBOOK_FILES", "Phonebook Files", "*.pbf") +
           file_choice::AllFilesEntry();
}

QString ExchangeFilter() {
    return file_choice::FilterEntry("PHONEBOOK", "CSV_FILES", "CSV files", "*.csv") +
           file_choice::FilterEntry("PHONEBOOK", "VCARD_FILES", "vCard files", "*.vcf;*.vcard") +
           file_choice::AllFilesEntry();
}

// What became of one card or line, in the language in use.
QString NoteText(const PhonebookImportNote& note) {
    const QString slot = QString::number(note.slot);
    const QString before = QString::fromStdString(ShownFileText(note.before));
    const QString after = QString::fromStdString(ShownFileText(note.after));
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
    case Kind::kTookWork:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_TOOK_WORK"), {before, after});
    case Kind::kTookPreferred:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_TOOK_PREFERRED"), {before, after});
    case Kind::kTookFirst:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_TOOK_FIRST"), {before, after});
    case Kind::kNoFax:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_NO_FAX"), {before});
    case Kind::kExtension:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_EXTENSION"), {before, after});
    case Kind::kUnterminated:
        return file_choice::Filled(Lang("PHONEBOOK", "NOTE_UNTERMINATED"), {before});
    case Kind::kWindows1252:
        return Lang("PHONEBOOK", "NOTE_WINDOWS_1252");
    }
    return {};
}

} // namespace

void PhonebookFileCommands::Load(QWidget* owner) {
    const QString path = file_choice::ChooseFileToOpen(owner, PhonebookFilter(), "pbf");
    if (path.isEmpty()) {
        return;
    }
    FileError error = FileError::kNone;
    const std::optional<PhonebookFileContents> contents =
        ReadPhonebookFileContents(records_, file_choice::LocalPath(path), &error);
    if (!contents) {
        file_choice::ShowFileError(owner,
                                   file_choice::FileErrorText(error, false, kPhonebookMessages));
        return;
    }
    // A cut slot would be half this file's and half the machine's.
    LoadWholeSlots(records_, *contents);
    RecountGroupRefs(records_);
    emit tableChanged();
    if (contents->partialSlotBytes() > 0) {
        desktop::MessageBox(owner,
                            file_choice::Filled(Lang("PHONEBOOK", "LOAD_CUT"),
                                                {QString::number(contents->partialSlotBytes()),
                                                 QString::number(contents->wholeSlots())}),
                            Lang("MAIN", "CAPTION"), desktop::Icon::Warning, desktop::Buttons::Ok);
    }
}

QString PhonebookFileCommands::Save(QWidget* owner) const {
    const QString path = file_choice::ChooseFileToSave(owner, PhonebookFilter(), "pbf");
    if (path.isEmpty()) {
        return {};
    }
    FileError error = FileError::kNone;
    if (WritePhonebookFile(records_, file_choice::LocalPath(path), &error) == 0) {
        file_choice::ShowFileError(owner,
                                   file_choice::FileErrorText(error, true, kPhonebookMessages));
        return {};
    }
    return QFileInfo(path).fileName();
}

QString PhonebookFileCommands::Import(QWidget* owner) {
    const QString path = file_choice::ChooseFileToOpen(owner, ExchangeFilter(), "csv");
    if (path.isEmpty()) {
        return {};
    }
    std::string text;
    PhonebookImport import;
    import.error = ReadPhonebookTextFile(file_choice::LocalPath(path), text);
    if (import.error == FileError::kNone) {
        import = CheckPhonebookText(text);
    }
    // Our own CSV asks nothing, but a "+" in it becomes the prefix last chosen.
    PhonebookImportOptions options = ReadImportChoice();
    if (import.error == FileError::kNone) {
        if (import.addressBook && !CImportQuestion::Ask(owner, options)) {
            return {};
        }
        import = ImportPhonebookText(records_, text, options);
    }
    if (import.error != FileError::kNone) {
        std::vector<std::pair<int, QString>> lines;
        for (const PhonebookImportProblem& problem : import.problems) {
            lines.emplace_back(problem.line, QString::fromStdString(problem.message));
        }
        file_choice::ShowFileError(
            owner, file_choice::WithLines(
                       file_choice::FileErrorText(import.error, false, kExchangeMessages), lines));
        return {};
    }
    emit tableChanged();
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

QString PhonebookFileCommands::Export(QWidget* owner) const {
    const QString path = file_choice::ChooseFileToSave(owner, ExchangeFilter(), "csv");
    if (path.isEmpty()) {
        return {};
    }
    const std::string local = file_choice::LocalPath(path);
    const FileError error = ExportPhonebookFile(records_, local, PhonebookFormatForName(local));
    if (error != FileError::kNone) {
        file_choice::ShowFileError(owner,
                                   file_choice::FileErrorText(error, true, kExchangeMessages));
        return {};
    }
    return QFileInfo(path).fileName();
}
