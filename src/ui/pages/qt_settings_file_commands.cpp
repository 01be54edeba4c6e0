#include "pages/qt_settings_file_commands.h"

#include <QFileInfo>

#include "base/qt_file_choice.h"
#include "base/qt_page_host.h"
#include "base/qt_property_page.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "model/settings_file.h"

namespace {

QString Lang(const char* key) {
    return QString::fromUtf8(GetLangString("COMMON", key));
}

constexpr file_choice::FileMessages kSettingsMessages{"IDS_STF_READ_ERROR", "IDS_STF_SAVE_ERROR",
                                                      "IDS_STF_BAD_FILE", "IDS_STF_NOT_REGULAR",
                                                      "IDS_STF_PROBLEMS"};

QString SettingsFilter() {
    return file_choice::FilterEntry("COMMON", "STF_FILES", "Settings files", "*.stf") +
           file_choice::AllFilesEntry();
}

// Every page's record read and as its controls show it.
bool PrepareRecords(const QList<CPropertyPage*>& pages) {
    for (CPropertyPage* page : pages) {
        if (!page->PrepareSettingsRecord()) {
            return false;
        }
    }
    return true;
}

} // namespace

void SaveSettingsCommand(PageHost& host, const QList<CPropertyPage*>& pages,
                         const MachineRecords& records) {
    QWidget* owner = host.Window();
    const QString path = file_choice::ChooseFileToSave(owner, SettingsFilter(), "stf");
    if (path.isEmpty()) {
        return;
    }
    const std::string local = file_choice::LocalPath(path);
    // A file that cannot be written costs no exchange with the machine.
    FileError error = CheckSettingsFileTarget(local);
    if (error == FileError::kNone) {
        if (!PrepareRecords(pages)) {
            return;
        }
        error = WriteSettingsFile(local, records);
    }
    if (error != FileError::kNone) {
        file_choice::ShowFileError(owner,
                                   file_choice::FileErrorText(error, true, kSettingsMessages));
        return;
    }
    host.ShowStatus(file_choice::Filled(Lang("STF_SAVED"), {QFileInfo(path).fileName()}));
}

void LoadSettingsCommand(PageHost& host, const QList<CPropertyPage*>& pages,
                         MachineRecords& records) {
    QWidget* owner = host.Window();
    const QString path = file_choice::ChooseFileToOpen(owner, SettingsFilter(), "stf");
    if (path.isEmpty() || !PrepareRecords(pages)) {
        return;
    }
    // A refused file leaves the records whole.
    std::vector<SettingsFileProblem> problems;
    const FileError error = ReadSettingsFile(file_choice::LocalPath(path), records, problems);
    if (error != FileError::kNone) {
        std::vector<std::pair<int, QString>> lines;
        for (const SettingsFileProblem& problem : problems) {
            lines.emplace_back(problem.line, QString::fromStdString(problem.message));
        }
        file_choice::ShowFileError(
            owner, file_choice::WithLines(
                       file_choice::FileErrorText(error, false, kSettingsMessages), lines));
        return;
    }
    for (CPropertyPage* page : pages) {
        page->ShowLoadedSettings();
    }
    host.ShowStatus(file_choice::Filled(Lang("STF_LOADED"), {QFileInfo(path).fileName()}));
}
