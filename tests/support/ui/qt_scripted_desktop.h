#pragma once
// Test double of the desktop seam: records every call and answers from a
// script. Installed for its lifetime:
//
//   ScriptedDesktop desk;                       // installs itself
//   desk.messageAnswers.push_back(desktop::Result::Retry);
//   desk.openAnswers.push_back(dir + "/book.pbf");  // empty string = cancel
//   ... run the window code ...
//   EXPECT_EQ(desk.beeps, 1);
//   ASSERT_EQ(desk.messageBoxes.size(), 1u);
//   EXPECT_EQ(desk.messageBoxes[0].text, "Not responding");
//
// Its destructor puts the real desktop back.
// A message box without a scripted answer returns its first button (OK,
// Abort, Yes, Retry); a choice without one is closed (its escape button). A file dialog without a
// scripted answer is cancelled. A chosen file moves the current directory to its folder, as the
// real dialogs do.

#include <QString>
#include <deque>
#include <string>
#include <vector>

#include "base/qt_desktop.h"

class ScriptedDesktop : public desktop::Desktop {
  public:
    struct MessageBoxCall {
        QWidget* owner = nullptr;
        bool ownerShown = false; // was the owner on the screen when the box came?
        QString text;
        QString caption;
        desktop::Icon icon = desktop::Icon::None;
        desktop::Buttons buttons = desktop::Buttons::Ok;
        desktop::Result result = desktop::Result::Ok;
    };
    struct ChoiceCall {
        QWidget* owner = nullptr;
        QString text;
        QString caption;
        QStringList buttons;
        int result = 0;
    };
    struct FileDialogCall {
        bool save = false;
        QWidget* owner = nullptr;
        desktop::FileDialogOptions options;
        QString result;
    };
    struct HelpCall {
        QString helpFile;
        desktop::HelpCommand command = desktop::HelpCommand::Context;
        int data = 0;
    };

    ScriptedDesktop();
    ~ScriptedDesktop() override;

    desktop::Result messageBox(QWidget* owner, const QString& text, const QString& caption,
                               desktop::Icon icon, desktop::Buttons buttons) override;
    int askChoice(QWidget* owner, const QString& text, const QString& caption,
                  const QStringList& buttons, int escapeButton) override;
    QString openFileName(QWidget* owner, const desktop::FileDialogOptions& options) override;
    QString saveFileName(QWidget* owner, const desktop::FileDialogOptions& options) override;
    void beep() override {
        ++beeps;
        calls.push_back("beep");
    }
    void waitCursor(bool on) override;
    void help(QWidget* owner, const QString& helpFile, desktop::HelpCommand command,
              int data) override;

    // Script.
    std::deque<desktop::Result> messageAnswers;
    std::deque<int> choiceAnswers;
    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    int saveFilter = 0; // the file type chosen in save dialogs

    // Record.
    std::vector<std::string> calls; // "messageBox", "choice", "open", "save", "beep",
                                    // "waitCursor(1)", "waitCursor(0)", "help"
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<ChoiceCall> choices;
    std::vector<FileDialogCall> fileDialogs;
    std::vector<HelpCall> helpCalls;
    int beeps = 0;
    int waitCursorDepth = 0; // shown while > 0
    int waitCursorShown = 0; // times it was turned on
};
