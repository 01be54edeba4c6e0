#pragma once
// The main window: a modal dialog with the tabbed sheet of pages, the File
// and Help menus, the Exit and Help buttons and a status line. The pages are
// those of the page registry (shell/page_registry.h) that exist for
// inquiryRecord.machineClass; the File items too depend on the class. The
// first page reads the machine once the window is on the screen, and the
// window does not end on changes the machine has not been given without
// asking.

#include <QDialog>
#include <QList>
#include <memory>
#include <string>
#include <vector>

#include "base/qt_page_host.h"
#include "base/qt_property_page.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QTabWidget;
class QTimer;
class CIconButton;
struct PanelContext;

// Menu commands (menu 129) and controls of the main window; the File
// commands that go to the pages are in base/qt_page_host.h.
constexpr int ID_APP_EXIT_CMD = 32771;
constexpr int ID_HELP_CONTENTS = 32772;
constexpr int ID_HELP_ABOUT = 40010;
constexpr int ID_FILE_REMOTE_MACHINE = 40020;
constexpr int IDC_EXIT = 1006;
constexpr int IDC_HELP_BUTTON = 1042;
// Help > Language: the desktop's language, then the known languages in
// their order (model/lang_text.h).
constexpr int ID_LANGUAGE_DESKTOP = 40100;
constexpr int ID_LANGUAGE_FIRST = 40101;

class CMainDlg : public QDialog, public PageHost {
    Q_OBJECT
  public:
    // The window and its pages work on the context of the run.
    explicit CMainDlg(PanelContext& context, QWidget* parent = nullptr);
    ~CMainDlg() override;

    void EnableCommand(int command, bool enable, const QString& why = QString()) override;
    QWidget* Window() override { return this; }
    void ShowStatus(const QString& text) override;
    void EnableExit(bool enable) override;

    // The menu item of a command, or nullptr when the menu lacks it.
    QAction* MenuItem(int command) const;
    QMenuBar* MenuBar() const { return menuBar_; }
    QMenu* FileMenu() const { return fileMenu_; }
    QMenu* HelpMenu() const { return helpMenu_; }
    QMenu* LanguageMenu() const { return languageMenu_; }
    QLabel* StatusLine() const { return status_; }
    QTabWidget* Sheet() const { return sheet_; }
    CIconButton* ExitButton() const { return exitButton_; }
    CIconButton* HelpButton() const { return helpButton_; }

    // The pages in the sheet, in tab order.
    QList<CPropertyPage*> SheetPages() const;
    // The page of that class, or nullptr when this machine has none.
    template <class T> T* Page() const {
        for (CPropertyPage* page : SheetPages()) {
            if (auto* found = qobject_cast<T*>(page)) {
                return found;
            }
        }
        return nullptr;
    }

    // Commands.
    void OnHelp();
    void OnAbout();
    // Chooses a machine on another computer, then SwitchToMachine.
    void OnRemoteMachine();
    // Ends the window with kOtherMachine, asking about unsent changes as
    // Exit does, so that start-up runs again for the machine name.
    void SwitchToMachine(const std::string& name);
    static constexpr int kOtherMachine = 2;
    const std::string& OtherMachine() const { return otherMachine_; }
    // A command of the current page's.
    void OnPageCommand(int command);
    // Remembers the language for the next start ("" follows the desktop).
    void OnChooseLanguage(const QString& code);
    // Shows the page `step` tabs on, round the end, with the focus on its
    // first control.
    void StepPage(int step);

    // Ends the window as done() does, once the user has decided about
    // changes that the machine has not been given.
    void done(int result) override;
    // Asks about unsent changes when there are any: true when the window may
    // end (sent, or the user lets them go).
    bool ConfirmEnd();

    // The help file: the program's path with ".<language>.html" when there is
    // a manual in the language in use, else with ".html".
    static QString HelpFilePath();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void OnInitDialog();
    int MachineClass() const;
    void BuildLanguageMenu();
    void ApplyTexts();
    void ApplySize();
    void OnSheetPageChanged(int index);
    void ArrangeTabOrder();

    PanelContext& context_;
    QMenuBar* menuBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QTabWidget* sheet_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer* statusTimer_ = nullptr;
    CIconButton* exitButton_ = nullptr;
    CIconButton* helpButton_ = nullptr;
    std::string otherMachine_;
    // The sheet's pages, in tab order.
    struct OwnedPage {
        std::unique_ptr<CPropertyPage> page;
    };
    std::vector<OwnedPage> pages_;
    int activePage_ = -1;
    bool helpOpened_ = false;
    bool shown_ = false;
};

// The running main window, or nullptr. The one process-wide window pointer:
// the automation server reaches the window from its socket, where nothing
// else leads to it.
extern CMainDlg* mainDlg;
