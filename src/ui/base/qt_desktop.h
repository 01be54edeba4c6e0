#pragma once
// The desktop seam of the window layer: message boxes, file dialogs, the
// simple beep, the wait cursor and help. Windows call these functions, never
// QMessageBox/QFileDialog directly, so tests script the answers
// (tests/support/ui/qt_scripted_desktop.h) and count beeps.
//
// Process-wide, installed once: the real Qt implementation is in force until
// InstallDesktop() puts another one in place; InstallDesktop(nullptr) puts the
// real one back.

#include <QString>
#include <QStringList>

class QWidget;

namespace desktop {

enum class Icon { None, Error, Warning, Information, Question };
enum class Buttons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
// Values as the platform's dialog results (IDOK = 1 ...).
enum class Result { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

enum class HelpCommand { Context, Quit };

struct FileDialogOptions {
    // Filter in the platform's form: "Phonebook Files(*.pbf)|*.pbf|All files (*.*)|*.*||".
    // Patterns match case-insensitively ("*.pbf" also shows NAME.PBF).
    QString filter;
    QString defaultExtension;      // without the dot, e.g. "pbf"; empty for none
    QString initialDirectory;      // empty: the process's current directory
    bool confirmOverwrite = false; // save dialog: ask before replacing a file
    // When given: set to the index of the filter in force when the user
    // chose (a bare name then takes that filter's extension).
    int* chosenFilter = nullptr;
};

class Desktop {
  public:
    virtual ~Desktop() = default;

    // owner may be nullptr (a box without an owner window).
    virtual Result messageBox(QWidget* owner, const QString& text, const QString& caption,
                              Icon icon, Buttons buttons) = 0;
    // A question answered with buttons of the program's own texts, the first
    // the default. The index of the button pressed; escapeButton when the box
    // is closed without one.
    virtual int askChoice(QWidget* owner, const QString& text, const QString& caption,
                          const QStringList& buttons, int escapeButton) = 0;
    // The full path chosen, or empty when the user cancelled. Like the
    // platform's dialogs, a successful choice leaves the process's current
    // directory at the chosen file's folder.
    virtual QString openFileName(QWidget* owner, const FileDialogOptions& options) = 0;
    virtual QString saveFileName(QWidget* owner, const FileDialogOptions& options) = 0;
    // The platform's simple beep.
    virtual void beep() = 0;
    // on: show the wait cursor over the whole application; off: restore.
    virtual void waitCursor(bool on) = 0;
    // Help with a help file: Context opens the file at topic `data`; Quit
    // closes whatever help window is open.
    virtual void help(QWidget* owner, const QString& helpFile, HelpCommand command, int data) = 0;
};

// The real implementation: Qt message boxes and file dialogs, the
// application's override cursor, the help window (an HTML viewer).
class QtDesktop : public Desktop {
  public:
    Result messageBox(QWidget* owner, const QString& text, const QString& caption, Icon icon,
                      Buttons buttons) override;
    int askChoice(QWidget* owner, const QString& text, const QString& caption,
                  const QStringList& buttons, int escapeButton) override;
    QString openFileName(QWidget* owner, const FileDialogOptions& options) override;
    QString saveFileName(QWidget* owner, const FileDialogOptions& options) override;
    void beep() override;
    void waitCursor(bool on) override;
    void help(QWidget* owner, const QString& helpFile, HelpCommand command, int data) override;
};

void InstallDesktop(Desktop* desktop);
Desktop& CurrentDesktop();

// Shorthands through the installed desktop.
Result MessageBox(QWidget* owner, const QString& text, const QString& caption, Icon icon,
                  Buttons buttons);
void MessageBeep();
void WaitCursor(bool on);

// Shows the wait cursor for the lifetime of the object.
class WaitCursorScope {
  public:
    WaitCursorScope() { WaitCursor(true); }
    ~WaitCursorScope() { WaitCursor(false); }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;
};

// "Text|*.a;*.b|All|*.*||" -> {"Text (*.a *.b)", "All (*.*)"} in Qt's form; the
// patterns are widened so that they match whatever the letter case
// ("*.pbf" -> "*.[pP][bB][fF]"). An empty name ("||") ends the list.
QStringList QtNameFilters(const QString& platformFilter);
// The extension of the filter's entry `index` by its first pattern
// ("*.vcf;*.vcard" -> "vcf"); fallback for "*.*", a pattern without one or
// no such entry.
QString FilterExtension(const QString& platformFilter, int index, const QString& fallback);
// Does a file name match a platform filter pattern list ("*.pbf;*.txt"),
// case-insensitively?
bool MatchesFilterPattern(const QString& fileName, const QString& patterns);

} // namespace desktop
