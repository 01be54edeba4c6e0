#include "base/qt_file_choice.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "desktop/qt_desktop.h"
#include "model/lang_text.h"

namespace file_choice {

namespace {

// A box lists this many lines of a file, then says how many more.
constexpr size_t kListedLines = 15;

// The folder of the last file chosen: the next dialog starts there.
QString lastFolder;

QString Lang(const char* section, const char* key) {
    return QString::fromUtf8(GetLangString(section, key));
}

QString Chosen(const QString& chosen, const QString& extension) {
    lastFolder = QFileInfo(chosen).absolutePath();
    return QFileInfo(chosen).suffix().isEmpty() ? chosen + QLatin1Char('.') + extension : chosen;
}

} // namespace

QString FilterEntry(const char* section, const char* key, const char* english,
                    const char* patterns) {
    QString name = Lang(section, key);
    if (name.isEmpty()) {
        name = QString::fromUtf8(english);
    }
    const QString list = QString::fromUtf8(patterns);
    return name + QLatin1Char('(') + QString(list).replace(QLatin1Char(';'), QLatin1Char(' ')) +
           QStringLiteral(")|") + list + QLatin1Char('|');
}

QString AllFilesEntry() {
    QString all = Lang("PHONEBOOK", "ALL_FILES");
    if (all.isEmpty()) {
        all = QStringLiteral("All files");
    }
    return all + QStringLiteral(" (*.*)|*.*||");
}

QString ChooseFileToOpen(QWidget* owner, const QString& filter, const QString& extension) {
    desktop::FileDialogOptions options;
    options.filter = filter;
    options.initialDirectory = lastFolder;
    const QString chosen = desktop::CurrentDesktop().openFileName(owner, options);
    if (chosen.isEmpty()) {
        return {};
    }
    const QString path = Chosen(chosen, extension);
    return QFileInfo(chosen).isFile() ? chosen : path;
}

QString ChooseFileToSave(QWidget* owner, const QString& filter, const QString& extension) {
    desktop::FileDialogOptions options;
    options.filter = filter;
    options.defaultExtension = extension;
    options.initialDirectory = lastFolder;
    options.confirmOverwrite = true;
    int chosenFilter = -1;
    options.chosenFilter = &chosenFilter;
    const QString chosen = desktop::CurrentDesktop().saveFileName(owner, options);
    return chosen.isEmpty()
               ? QString()
               : Chosen(chosen, desktop::FilterExtension(filter, chosenFilter, extension));
}

QString FileErrorText(FileError error, bool saving, const FileMessages& messages) {
    const char* key = saving ? messages.saveError : messages.readError;
    switch (error) {
    case FileError::kNotRegular:
        key = messages.notRegular;
        break;
    case FileError::kHardLinked:
        key = "IDS_PBOOK_HARD_LINKED";
        break;
    case FileError::kUnsafeLink:
        key = "IDS_PBOOK_UNSAFE_LINK";
        break;
    case FileError::kWrongContent:
        key = messages.wrongContent;
        break;
    case FileError::kProblems:
        key = messages.problems;
        break;
    case FileError::kDenied:
        key = saving ? "IDS_PBOOK_READ_ONLY" : messages.readError;
        break;
    default:
        break;
    }
    return Lang("COMMON", key);
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// %1, %2... filled in one pass, so that a name holding "%2" stays as it is.
QString Filled(const QString& text, const QStringList& values) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = i + 1 < text.size() ? text[i + 1].digitValue() : -1;
        if (text[i] == QLatin1Char('%') && n >= 1 && n <= values.size()) {
            out += values[n - 1];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString WithLines(const QString& message, const std::vector<std::pair<int, QString>>& lines) {
    QString text = message;
    for (size_t i = 0; i < lines.size() && i < kListedLines; ++i) {
        text += QLatin1Char('\n') + Filled(Lang("COMMON", "IDS_LINE"),
                                           {QString::number(lines[i].first), lines[i].second});
    }
    if (lines.size() > kListedLines) {
        text += QLatin1Char('\n') + Filled(Lang("COMMON", "IDS_MORE_LINES"),
                                           {QString::number(lines.size() - kListedLines)});
    }
    return text;
}

void ShowFileError(QWidget* owner, const QString& text) {
    desktop::MessageBox(owner, text, Lang("MAIN", "CAPTION"), desktop::Icon::Error,
                        desktop::Buttons::Ok);
}

} // namespace file_choice
