// Every window in every language file the build writes: no two things shown
// together answer the same Alt letter, and every control has a name that a
// screen reader can say.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <map>
#include <memory>

#include "model/lang_text.h"
#include "phonebook/CEditPhonebook.h"
#include "phonebook/CGroupDial.h"
#include "protocol/inquiry.h"
#include "protocol/phonebook.h"
#include "shell/CAbout.h"
#include "shell/CMainDlg.h"
#include "shell/CRemoteMachine.h"
#include "shell/CUsbChoice.h"
#include "support/ui/qt_window_fixture.h"
#include "widgets/qt_dialog_builder.h"

namespace {

// The languages the build wrote a file for.
std::vector<std::string> BuiltLanguages() {
    std::vector<std::string> codes;
    for (const KnownLanguage& language : KnownLanguages()) {
        if (std::filesystem::exists(LanguageFilePath(language.code))) {
            codes.push_back(language.code);
        }
    }
    return codes;
}

QString Caption(const QWidget* w) {
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
        return button->text();
    }
    if (auto* box = qobject_cast<const QGroupBox*>(w)) {
        return box->title();
    }
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        return label->text();
    }
    return {};
}

// Alt letters of texts shown together: each letter with the texts that use it.
class Letters {
  public:
    void add(const QString& text) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty()) {
            uses_[key.toString()] << text;
        }
    }
    void expectNoClash(const std::string& where) const {
        for (const auto& [key, texts] : uses_) {
            EXPECT_EQ(texts.size(), 1) << where << ": " << key.toStdString() << " is "
                                       << texts.join(QStringLiteral(" / ")).toStdString();
        }
    }

  private:
    std::map<QString, QStringList> uses_;
};

void AddShown(Letters& letters, const QWidget* window) {
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (w->isVisible() && dlg::ControlId(w) >= 0) {
            letters.add(Caption(w));
        }
    }
}

void ExpectMenuHasNoClash(const QMenu* menu, const std::string& where) {
    Letters letters;
    for (const QAction* action : menu->actions()) {
        if (action->isVisible() && !action->isSeparator()) {
            letters.add(action->text());
        }
    }
    letters.expectNoClash(where);
}

void ExpectEveryControlNamed(const QWidget* window, const std::string& where) {
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || dlg::ControlId(w) < 0) {
            continue;
        }
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(face, nullptr) << where << " " << dlg::ControlId(w);
        EXPECT_FALSE(face->text(QAccessible::Name).trimmed().isEmpty())
            << where << ": control " << dlg::ControlId(w) << " (" << w->metaObject()->className()
            << ") has no name";
    }
}

class EveryWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100));
        panelContext.records.inquiryRecord.machineClass = 2;
    }
};

TEST_F(EveryWindowTest, NoAltLetterClashesAndEveryControlIsNamedInEveryLanguage) {
    const std::vector<std::string> languages = BuiltLanguages();
    ASSERT_GE(languages.size(), 3u);
    for (const std::string& language : languages) {
        SCOPED_TRACE(language);
        UseLanguageOf(language);
        CMainDlg dlg(panelContext);
        dlg.show();
        QCoreApplication::processEvents();

        // Each page with the menu bar, the tabs and the buttons below.
        for (int tab = 0; tab < dlg.Sheet()->count(); ++tab) {
            dlg.Sheet()->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            const std::string where = language + " main window, tab " + std::to_string(tab);
            Letters letters;
            AddShown(letters, &dlg);
            for (const QAction* menu : dlg.MenuBar()->actions()) {
                letters.add(menu->text());
            }
            for (int i = 0; i < dlg.Sheet()->count(); ++i) {
                letters.add(dlg.Sheet()->tabText(i));
            }
            letters.expectNoClash(where);
            ExpectEveryControlNamed(&dlg, where);
        }
        ExpectMenuHasNoClash(dlg.FileMenu(), language + " File menu");
        ExpectMenuHasNoClash(dlg.HelpMenu(), language + " Help menu");
        ExpectMenuHasNoClash(dlg.LanguageMenu(), language + " Language menu");

        // The question about unsent changes.
        Letters question;
        for (const char* key : {"UNSENT_SEND", "UNSENT_DISCARD", "UNSENT_STAY"}) {
            question.add(QString::fromUtf8(GetLangString("MAIN", key)));
        }
        question.expectNoClash(language + " unsent question");

        // The dialogs.
        const auto checkDialog = [&language](QWidget* dialog, const char* name) {
            Letters letters;
            AddShown(letters, dialog);
            letters.expectNoClash(language + " " + name);
            ExpectEveryControlNamed(dialog, language + " " + name);
        };
        {
            CEditPhonebook editor(panelContext.records, 0, &dlg);
            editor.show();
            checkDialog(&editor, "entry editor");
        }
        {
            const uint8_t members[kMembersLength] = {};
            CGroupDial editor(panelContext.records, "GROUP", members, true, &dlg);
            editor.show();
            checkDialog(&editor, "group dial");
        }
        {
            CAbout about(&dlg);
            about.show();
            checkDialog(&about, "About");
        }
        {
            CUsbChoice choice({}, &dlg);
            choice.show();
            checkDialog(&choice, "machine choice");
            CRemoteMachine remote(&dlg);
            remote.show();
            checkDialog(&remote, "machine on another computer");
        }
    }
}

} // namespace
