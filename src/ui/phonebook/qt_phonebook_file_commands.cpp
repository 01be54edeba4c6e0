#include "phonebook/qt_phonebook_file_commands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/qt_desktop.h"
#include "model/lang_text.h"
#include "model/phonebook_file.h"
#include "phonebook/CPhonebook.h"
#include "protocol/phonebook.h"

namespace {

// The file types in the language in use; a missing text keeps the English
// one, as an empty name would end the list.
QString PhonebookFilter() {
    QString book = QString::fromUtf8(GetLangString("PHONEBOOK", "PBOOK_FILES"));
    QString all = QString::fromUtf8(GetLangString("PHONEBOOK", "ALL_FILES"));
    if (book.isEmpty()) {
        book = QStringLiteral("Phonebook Files");
    }
    if (all.isEmpty()) {
        all = QStringLiteral("All files");
    }
    return book + QStringLiteral("(*.pbf)|*.pbf|") + all + QStringLiteral(" (*.*)|*.*||");
}

// The folder of the last file chosen: the next dialog starts there.
QString lastFolder;

QString Lang(const char* section, const char* key) {
    return QString::fromUtf8(GetLangString(section, key));
}

// A name without an extension gets ".PBF"; so does one that ends in a dot.
QString WithExtension(const QString& path) {
    return QFileInfo(path).suffix().isEmpty() ? path + ".PBF" : path;
}

void ShowFileError(QWidget* owner, const char* key) {
    const QString text = Lang("COMMON", key);
    const QString caption = Lang("MAIN", "CAPTION");
    desktop::MessageBox(owner, text, caption, desktop::Icon::Error, desktop::Buttons::Ok);
}

QString ChosenPath(const QString& chosen) {
    lastFolder = QFileInfo(chosen).absolutePath();
    return WithExtension(chosen);
}

// A file picked in the open dialog is opened as it is, even without an
// extension; only a typed name that names no file gets ".PBF".
QString PathToOpen(const QString& chosen) {
    const QString path = ChosenPath(chosen);
    return QFileInfo(chosen).isFile() ? chosen : path;
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
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

} // namespace

void LoadPhonebookCommand(QWidget* owner, CPhonebook* page) {
    desktop::FileDialogOptions options;
    options.filter = PhonebookFilter();
    options.initialDirectory = lastFolder;
    const QString chosen = desktop::CurrentDesktop().openFileName(owner, options);
    if (chosen.isEmpty()) {
        return;
    }
    const QString path = PathToOpen(chosen);
    PhonebookFileError error = PhonebookFileError::kNone;
    if (ReadPhonebookFile(LocalPath(path), &error) == 0) {
        ShowFileError(owner, ErrorKey(error, false));
        return;
    }
    if (page != nullptr) {
        page->FillList();
    }
    RecountGroupRefs();
}

QString SavePhonebookCommand(QWidget* owner) {
    desktop::FileDialogOptions options;
    options.filter = PhonebookFilter();
    options.defaultExtension = "PBF";
    options.initialDirectory = lastFolder;
    options.confirmOverwrite = true;
    const QString chosen = desktop::CurrentDesktop().saveFileName(owner, options);
    if (chosen.isEmpty()) {
        return {};
    }
    const QString path = ChosenPath(chosen);
    PhonebookFileError error = PhonebookFileError::kNone;
    if (WritePhonebookFile(LocalPath(path), &error) == 0) {
        ShowFileError(owner, ErrorKey(error, true));
        return {};
    }
    return QFileInfo(path).fileName();
}
