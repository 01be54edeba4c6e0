#pragma once
// What a page of the main window's sheet may ask of the window holding it,
// without knowing that window: its menu items, the owner of its boxes and
// its status line.

#include <QString>

class QWidget;

// File menu commands that go to the current page.
constexpr int ID_FILE_LOAD_PBOOK = 40008;
constexpr int ID_FILE_SAVE_PBOOK = 40009;
constexpr int ID_FILE_LOAD_SETTINGS = 40011;
constexpr int ID_FILE_SAVE_SETTINGS = 40012;
constexpr int ID_FILE_IMPORT_PBOOK = 40013;
constexpr int ID_FILE_EXPORT_PBOOK = 40014;
constexpr int ID_FILE_PRINT_PBOOK = 40015;

class PageHost {
  public:
    // Enables or grays the menu item of a command, with why on its tool tip
    // (none when empty); a command the menu lacks is passed over.
    virtual void EnableCommand(int command, bool enable, const QString& why = QString()) = 0;
    // The window that owns the pages' message boxes and file dialogs.
    virtual QWidget* Window() = 0;
    // A short line that tells the user a command went through; it goes by
    // itself and asks for no click.
    virtual void ShowStatus(const QString& text) { (void)text; }

  protected:
    ~PageHost() = default;
};
