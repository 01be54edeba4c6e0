#pragma once
// The file dialogs of the File menu: one place that knows the filters, the
// extension a bare name gets and the folder the next dialog starts in.

#include <QString>
#include <QStringList>
#include <string>
#include <utility>
#include <vector>

#include "model/file_error.h"

class QWidget;

namespace file_choice {

// One file type of a filter in the platform's form, "Name(*.x)|*.x|", its
// name from the language file; a missing text keeps the English one, as an
// empty name would end the list.
QString FilterEntry(const char* section, const char* key, const char* english,
                    const char* patterns);
// The filter's last entry, "All files (*.*)|*.*||".
QString AllFilesEntry();

// The file to open, or an empty text when the user cancelled. A file picked
// as it is opens as it is; a typed name that names no file and has no
// extension gets ".extension".
QString ChooseFileToOpen(QWidget* owner, const QString& filter, const QString& extension);

// The file to save, or an empty text. A name without an extension (or one
// ending in a dot) gets the extension of the file type chosen in the dialog,
// or ".extension" for all files; the dialog asks before replacing.
QString ChooseFileToSave(QWidget* owner, const QString& filter, const QString& extension);

// The language keys (section COMMON) of the messages about one kind of file.
struct FileMessages {
    const char* readError;
    const char* saveError;
    const char* wrongContent;
    const char* notRegular;
    const char* problems = "";
};

// The message for a file that was not read (saving false) or not saved.
QString FileErrorText(FileError error, bool saving, const FileMessages& messages);

// The name as the system's calls take it.
std::string LocalPath(const QString& path);

// text with %1, %2... replaced by the values, in one pass.
QString Filled(const QString& text, const QStringList& values);

// A message and the lines of a file it is about, one "Line N: ..." each; a
// long list is cut off with a line saying how many more there are.
QString WithLines(const QString& message, const std::vector<std::pair<int, QString>>& lines);

// A failed open or save: a box with the text, under the program's caption.
void ShowFileError(QWidget* owner, const QString& text);

} // namespace file_choice
