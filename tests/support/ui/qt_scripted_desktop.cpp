#include "support/ui/qt_scripted_desktop.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

ScriptedDesktop::ScriptedDesktop() {
    desktop::InstallDesktop(this);
}

ScriptedDesktop::~ScriptedDesktop() {
    desktop::InstallDesktop(nullptr);
}

namespace {

desktop::Result FirstButton(desktop::Buttons buttons) {
    switch (buttons) {
    case desktop::Buttons::Ok:
    case desktop::Buttons::OkCancel:
        return desktop::Result::Ok;
    case desktop::Buttons::AbortRetryIgnore:
        return desktop::Result::Abort;
    case desktop::Buttons::YesNoCancel:
    case desktop::Buttons::YesNo:
        return desktop::Result::Yes;
    case desktop::Buttons::RetryCancel:
        return desktop::Result::Retry;
    }
    return desktop::Result::Ok;
}

QString TakeAnswer(std::deque<QString>& answers) {
    if (answers.empty()) {
        return {};
    }
    QString path = answers.front();
    answers.pop_front();
    if (!path.isEmpty()) {
        QDir::setCurrent(QFileInfo(path).absolutePath());
    }
    return path;
}

} // namespace

desktop::Result ScriptedDesktop::messageBox(QWidget* owner, const QString& text,
                                            const QString& caption, desktop::Icon icon,
                                            desktop::Buttons buttons) {
    MessageBoxCall call{owner,
                        owner != nullptr && owner->isVisible(),
                        text,
                        caption,
                        icon,
                        buttons,
                        FirstButton(buttons)};
    if (!messageAnswers.empty()) {
        call.result = messageAnswers.front();
        messageAnswers.pop_front();
    }
    messageBoxes.push_back(call);
    calls.push_back("messageBox");
    return call.result;
}

int ScriptedDesktop::askChoice(QWidget* owner, const QString& text, const QString& caption,
                               const QStringList& buttons, int escapeButton) {
    ChoiceCall call{owner, text, caption, buttons, escapeButton};
    if (!choiceAnswers.empty()) {
        call.result = choiceAnswers.front();
        choiceAnswers.pop_front();
    }
    choices.push_back(call);
    calls.push_back("choice");
    return call.result;
}

QString ScriptedDesktop::openFileName(QWidget* owner, const desktop::FileDialogOptions& options) {
    FileDialogCall call{false, owner, options, TakeAnswer(openAnswers)};
    fileDialogs.push_back(call);
    calls.push_back("open");
    return call.result;
}

QString ScriptedDesktop::saveFileName(QWidget* owner, const desktop::FileDialogOptions& options) {
    FileDialogCall call{true, owner, options, TakeAnswer(saveAnswers)};
    if (options.chosenFilter != nullptr) {
        *options.chosenFilter = saveFilter;
    }
    fileDialogs.push_back(call);
    calls.push_back("save");
    return call.result;
}

void ScriptedDesktop::waitCursor(bool on) {
    if (on) {
        ++waitCursorDepth;
        ++waitCursorShown;
    } else if (waitCursorDepth > 0) {
        --waitCursorDepth;
    }
    calls.push_back(on ? "waitCursor(1)" : "waitCursor(0)");
}

void ScriptedDesktop::help(QWidget*, const QString& helpFile, desktop::HelpCommand command,
                           int data) {
    helpCalls.push_back(HelpCall{helpFile, command, data});
    calls.push_back("help");
}
