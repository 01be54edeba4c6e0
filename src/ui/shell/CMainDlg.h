#pragma once
// The main window: a modal dialog with the tabbed sheet of pages, the File
// and Help menus and the Exit and Help buttons. Which pages and File items it
// offers depends on inquiryRecord.machineClass (2: all five pages).

#include <QDialog>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QTabWidget;
class CIconButton;
class CPropertyPage;
class CSettings;
class CAdvanced;
class CPhonebook;
class CInfo;
class CFwUp;

// Menu commands (menu 129) and controls of the main window.
constexpr int ID_FILE_LOAD_PBOOK = 40008;
constexpr int ID_FILE_SAVE_PBOOK = 40009;
constexpr int ID_FILE_LOAD_SETTINGS = 40011;
constexpr int ID_FILE_SAVE_SETTINGS = 40012;
constexpr int ID_APP_EXIT_CMD = 32771;
constexpr int ID_HELP_CONTENTS = 32772;
constexpr int ID_HELP_ABOUT = 40010;
constexpr int IDC_EXIT = 1006;
constexpr int IDC_HELP_BUTTON = 1042;

class CMainDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CMainDlg(QWidget* parent = nullptr);
    ~CMainDlg() override;

    // Enables (true) or grays (false) File > Load Phonebook and Save Phonebook.
    void EnablePhonebookFileItems(bool enable);

    // The menu item of a command, or nullptr when the menu lacks it.
    QAction* MenuItem(int command) const;
    QMenuBar* MenuBar() const { return menuBar_; }
    QMenu* FileMenu() const { return fileMenu_; }
    QMenu* HelpMenu() const { return helpMenu_; }
    QTabWidget* Sheet() const { return sheet_; }
    CIconButton* ExitButton() const { return exitButton_; }
    CIconButton* HelpButton() const { return helpButton_; }

    // The pages in the sheet, in tab order.
    QList<CPropertyPage*> SheetPages() const;

    // Commands.
    void OnHelp();
    void OnAbout();
    void OnLoadPhonebook();
    void OnSavePhonebook();

    // The help file: the program's path with the extension ".html".
    static QString HelpFilePath();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void OnInitDialog();
    void ApplyTexts();
    void ApplySize();
    void OnSheetPageChanged(int index);

    QMenuBar* menuBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QTabWidget* sheet_ = nullptr;
    CIconButton* exitButton_ = nullptr;
    CIconButton* helpButton_ = nullptr;
    int activePage_ = -1;
    bool helpOpened_ = false;
};

// The running main window, or nullptr.
extern CMainDlg* mainDlg;

// The five page objects, created by the main window whatever the machine
// class and deleted with it; nullptr outside its lifetime.
extern CSettings* settingsPage;
extern CAdvanced* advancedPage;
extern CPhonebook* phonebookPage;
extern CInfo* infoPage;
extern CFwUp* fwUpPage;

// File > Load Phonebook and File > Save Phonebook. The phonebook code installs
// these (e.g. in CPhonebook's constructor); while they are empty the commands
// do nothing. The main window passes itself as the dialogs' owner.
extern std::function<void(CMainDlg&)> loadPhonebookCommand;
extern std::function<void(CMainDlg&)> savePhonebookCommand;
