// The main window in daily use: nothing unsent goes without a question, the
// keyboard starts on the page and moves between pages from anywhere, every
// language fits, the status line, the language menu.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <memory>

#include "model/lang_text.h"
#include "pages/CAdvanced.h"
#include "pages/CSettings.h"
#include "phonebook/CPhonebook.h"
#include "platform/program.h"
#include "protocol/inquiry.h"
#include "protocol/phonebook.h"
#include "protocol/system_setup.h"
#include "shell/CMainDlg.h"
#include "support/platform/temp_dir.h"
#include "support/ui/qt_window_fixture.h"
#include "templates/advanced_template.h"
#include "templates/phonebook_template.h"
#include "templates/settings_template.h"
#include "widgets/CIconButton.h"

namespace {

class MainDlgKeysTest : public WindowTest {
  protected:
    // The full machine's window, shown and active, its first page read.
    std::unique_ptr<CMainDlg> OpenShown() {
        if (panelContext.records.phonebookTable == nullptr) {
            AllocatePhonebookTable(panelContext.records, 100);
        }
        panelContext.records.inquiryRecord.machineClass = 2;
        auto dlg = std::make_unique<CMainDlg>(panelContext);
        dlg->show();
        dlg->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        QCoreApplication::processEvents();
        return dlg;
    }

    // Shows a tab as a click on it would, and lets its first read finish.
    static void ShowTab(CMainDlg& dlg, int index) {
        dlg.Sheet()->setCurrentIndex(index);
        QCoreApplication::processEvents();
    }

    // A key as a person presses it: to the widget that has the focus.
    static void Press(CMainDlg& dlg, int key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget()
                                                                 : static_cast<QWidget*>(&dlg);
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }

    static void TypeInto(QLineEdit* edit, const QString& text) {
        ASSERT_NE(edit, nullptr);
        edit->setFocus(Qt::MouseFocusReason);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    size_t Sends() const {
        size_t n = 0;
        for (sim::Command c : machine().commandLog()) {
            n += c == sim::Command::SetSetup || c == sim::Command::SetStatus ||
                 c == sim::Command::SetPhonebook;
        }
        return n;
    }
};

TEST_F(MainDlgKeysTest, EscapeWithoutAChangeEndsAtOnceAndSendsNothing) {
    auto dlg = OpenShown();
    for (int tab : {1, 2, 3, 4, 0}) {
        ShowTab(*dlg, tab);
    }
    machine().clearLog();
    Press(*dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_TRUE(desk.choices.empty());
    EXPECT_TRUE(machine().commandLog().empty());
}

// One change on each page that keeps values: Escape asks; "stay" keeps the
// window and the change and sends nothing; "discard" ends without sending.
TEST_F(MainDlgKeysTest, EscapeAfterAChangeAsksAndStayKeepsTheChange) {
    struct Case {
        int tab;
        const char* name;
        std::function<void(CMainDlg&)> change;
        std::function<bool(CMainDlg&)> changed;
    };
    int before = -1;
    const Case cases[] = {
        {0, "Settings",
         [](CMainDlg& dlg) {
             TypeInto(dlg.Page<CSettings>()->Control<QLineEdit>(settings_ids::kRingCount), "5");
         },
         [](CMainDlg& dlg) {
             return dlg.Page<CSettings>()->Control<QLineEdit>(settings_ids::kRingCount)->text() ==
                    "5";
         }},
        {1, "Advanced",
         [&before](CMainDlg& dlg) {
             auto* ringer = dlg.Page<CAdvanced>()->Control<QComboBox>(advanced_ids::kRinger);
             before = ringer->currentIndex();
             ringer->setCurrentIndex((before + 1) % ringer->count());
         },
         [&before](CMainDlg& dlg) {
             return dlg.Page<CAdvanced>()
                        ->Control<QComboBox>(advanced_ids::kRinger)
                        ->currentIndex() != before;
         }},
        {2, "Phonebook",
         [](CMainDlg& dlg) {
             // Row 2 is in no group, so it may go.
             auto* page = dlg.Page<CPhonebook>();
             page->List()->setCurrentItem(page->List()->topLevelItem(2));
             page->Control<QPushButton>(phonebook_ids::kDelete)->click();
         },
         [](CMainDlg& dlg) {
             return dlg.Page<CPhonebook>()->List()->topLevelItem(2)->text(1).isEmpty();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        desk.choices.clear();
        auto dlg = OpenShown();
        ShowTab(*dlg, c.tab);
        c.change(*dlg);
        ASSERT_TRUE(c.changed(*dlg));
        machine().clearLog();

        desk.choiceAnswers = {2};
        Press(*dlg, Qt::Key_Escape);
        ASSERT_EQ(desk.choices.size(), 1u);
        EXPECT_TRUE(desk.choices[0].text.contains(c.name)) << desk.choices[0].text.toStdString();
        EXPECT_EQ(desk.choices[0].buttons, QStringList({"&Send", "&Discard", "S&tay"}));
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_TRUE(c.changed(*dlg));
        // The close box and Exit ask as well.
        desk.choiceAnswers = {2, 2};
        dlg->close();
        dlg->ExitButton()->click();
        EXPECT_EQ(desk.choices.size(), 3u);
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(Sends(), 0u);

        desk.choiceAnswers = {1};
        Press(*dlg, Qt::Key_Escape);
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(Sends(), 0u);
    }
}

TEST_F(MainDlgKeysTest, SendFromTheQuestionGivesEveryChangedPageToTheMachineThenEnds) {
    auto dlg = OpenShown();
    ShowTab(*dlg, 2);
    TypeInto(dlg->Page<CSettings>()->Control<QLineEdit>(settings_ids::kZoom), "150");
    auto* book = dlg->Page<CPhonebook>();
    book->List()->setCurrentItem(book->List()->topLevelItem(2));
    book->Control<QPushButton>(phonebook_ids::kDelete)->click();
    machine().clearLog();

    desk.choiceAnswers = {0};
    dlg->ExitButton()->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(machine().commandLog(),
              (std::vector<sim::Command>{sim::Command::SetSetup, sim::Command::SetPhonebook}));
    // Zoom is sent although its field never lost the focus.
    const sim::SetupBlock sent = machine().setupBlock();
    EXPECT_EQ(sent[9] * 256 + sent[10], 150);
}

TEST_F(MainDlgKeysTest, AFailedSendKeepsTheWindowOnThatPage) {
    auto dlg = OpenShown();
    TypeInto(dlg->Page<CSettings>()->Control<QLineEdit>(settings_ids::kRingCount), "5");
    ShowTab(*dlg, 3);
    ASSERT_TRUE(dlg->Page<CSettings>()->HasUnsentChanges());
    machine().setOpenRefused(true);
    desk.choiceAnswers = {0};
    Press(*dlg, Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->Sheet()->currentIndex(), 0);
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.messageBoxes[0].icon, desktop::Icon::Error);
}

TEST_F(MainDlgKeysTest, AFailedFirstReadIsToldOverTheWindowOnTheScreen) {
    machine().setFault(sim::Command::GetSetup, {.silent = true});
    auto dlg = OpenShown();
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.messageBoxes[0].owner, dlg.get());
    EXPECT_TRUE(desk.messageBoxes[0].ownerShown);
    // Nothing was read, so nothing is unsent: Escape ends at once.
    Press(*dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(desk.choices.empty());
}

TEST_F(MainDlgKeysTest, EnterInAFieldNeverEndsAndEnterOnARowOpensItsEditor) {
    auto dlg = OpenShown();
    auto* rings = dlg->Page<CSettings>()->Control<QLineEdit>(settings_ids::kRingCount);
    TypeInto(rings, "5");
    machine().clearLog();
    QTest::keyClick(rings, Qt::Key_Return);
    QTest::keyClick(rings, Qt::Key_Enter);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(rings->text(), "5");
    EXPECT_TRUE(machine().commandLog().empty());

    ShowTab(*dlg, 2);
    auto* list = dlg->Page<CPhonebook>()->List();
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));
    QString opened;
    WhenModalOpens([&opened](QWidget* modal) {
        opened = QString::fromLatin1(modal->metaObject()->className());
        modal->close();
    });
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(opened, "CEditPhonebook");
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(MainDlgKeysTest, KeyboardStartsOnThePageTabRunsThroughItThenExitAndHelp) {
    auto dlg = OpenShown();
    auto* settings = dlg->Page<CSettings>();
    EXPECT_EQ(QApplication::focusWidget(), settings->FirstFocusControl());
    EXPECT_EQ(dlg::ControlId(QApplication::focusWidget()), settings_ids::kTrayPaperSize);

    // Tab goes through the page's controls and then to Exit and Help.
    const QList<QWidget*> controls = settings->FocusControls();
    QList<QWidget*> seen;
    for (int i = 0; i < 40 && QApplication::focusWidget() != dlg->ExitButton(); ++i) {
        seen << QApplication::focusWidget();
        Press(*dlg, Qt::Key_Tab);
    }
    EXPECT_EQ(QApplication::focusWidget(), dlg->ExitButton());
    EXPECT_EQ(seen.size(), controls.size() - 3) << "the hidden lists are passed over";
    for (QWidget* w : seen) {
        EXPECT_EQ(w->parentWidget(), settings);
    }
    Press(*dlg, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dlg->HelpButton());
}

TEST_F(MainDlgKeysTest, CtrlTabAndCtrlPageKeysChangePageWherever) {
    auto dlg = OpenShown();
    Press(*dlg, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(dlg->Sheet()->currentIndex(), 1);
    EXPECT_EQ(QApplication::focusWidget(), dlg->Page<CAdvanced>()->FirstFocusControl());
    Press(*dlg, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(dlg->Sheet()->currentIndex(), 2);
    Press(*dlg, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(dlg->Sheet()->currentIndex(), 1);
    // From the buttons below the sheet too, and round the ends.
    dlg->HelpButton()->setFocus();
    Press(*dlg, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dlg->Sheet()->currentIndex(), 0);
    dlg->ExitButton()->setFocus();
    Press(*dlg, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dlg->Sheet()->currentIndex(), 4);
    Press(*dlg, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(dlg->Sheet()->currentIndex(), 0);
}

TEST_F(MainDlgKeysTest, ArrowKeysOnThePhonebookSetTheButtonsAsAClickDoes) {
    machine().clearPhonebook();
    machine().setSlotNumber(0, "OFFICE", "5550100");
    sim::Members members{};
    members[0] = 0x80;
    machine().setSlotGroup(1, "TEAM", members);
    auto dlg = OpenShown();
    ShowTab(*dlg, 2);
    auto* page = dlg->Page<CPhonebook>();
    auto* edit = page->Control<QPushButton>(phonebook_ids::kEdit);
    auto* groupDial = page->Control<QPushButton>(phonebook_ids::kGroupDial);
    page->List()->setFocus();
    QTest::keyClick(page->List(), Qt::Key_Down);
    EXPECT_EQ(page->SelectedItem(), 1);
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_TRUE(groupDial->isEnabled());
    QTest::keyClick(page->List(), Qt::Key_Up);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_FALSE(groupDial->isEnabled());
}

TEST_F(MainDlgKeysTest, EveryTabCaptionIsWhollyVisibleInEveryLanguage) {
    for (const char* language : {"en", "fr", "de"}) {
        SCOPED_TRACE(language);
        UseLanguageOf(language);
        auto dlg = OpenShown();
        QTabBar* bar = dlg->Sheet()->tabBar();
        EXPECT_EQ(dlg->Sheet()->elideMode(), Qt::ElideNone);
        for (int i = 0; i < bar->count(); ++i) {
            EXPECT_LE(bar->tabRect(i).right(), bar->width()) << i;
            EXPECT_GE(bar->tabRect(i).width(), bar->fontMetrics().horizontalAdvance(
                                                   bar->tabText(i).remove(QLatin1Char('&'))))
                << i;
        }
        for (QToolButton* scroll : bar->findChildren<QToolButton*>()) {
            EXPECT_FALSE(scroll->isVisible());
        }
        // The pages stay inside the sheet.
        for (CPropertyPage* page : dlg->SheetPages()) {
            EXPECT_LE(page->width(), dlg->Sheet()->width());
        }
    }
}

TEST_F(MainDlgKeysTest, ASuccessfulApplyWriteOrSaveShowsAStatusLineAFailureDoesNot) {
    auto dlg = OpenShown();
    QLabel* status = dlg->StatusLine();
    EXPECT_TRUE(status->text().isEmpty());
    dlg->Page<CSettings>()->Control<QPushButton>(settings_ids::kApply)->click();
    EXPECT_EQ(status->text(), "The settings were sent to the machine.");

    ShowTab(*dlg, 2);
    dlg->Page<CPhonebook>()->Control<QPushButton>(phonebook_ids::kWrite)->click();
    EXPECT_EQ(status->text(), "The phonebook was written to the machine.");
    desk.saveAnswers = {QString::fromStdString(dir.file("office.pbf"))};
    dlg->MenuItem(ID_FILE_SAVE_PBOOK)->trigger();
    EXPECT_EQ(status->text(), "The phonebook was saved in office.pbf.");

    status->clear();
    std::snprintf(panelContext.records.phonebookTable[3].name,
                  sizeof panelContext.records.phonebookTable[3].name, "NEW");
    sim::Fault silent;
    silent.silent = true;
    machine().setFault(sim::Command::SetPhonebook, silent);
    dlg->Page<CPhonebook>()->Control<QPushButton>(phonebook_ids::kWrite)->click();
    EXPECT_TRUE(status->text().isEmpty());
    EXPECT_EQ(desk.messageBoxes.size(), 1u);
}

TEST_F(MainDlgKeysTest, LanguageMenuOffersTheFilesBesideTheProgramAndRemembersTheChoice) {
    TempDir program;
    for (const char* file : {"english.lng", "german.lng"}) {
        program.write(file, "[MAIN]\n");
    }
    platform::SetModuleFileNameForTests(program.file("faxrcp"));
    ScopedEnv config("XDG_CONFIG_HOME", dir.file("config"));
    panelContext.records.inquiryRecord.machineClass = 0;
    CMainDlg dlg(panelContext);
    QStringList items;
    for (QAction* a : dlg.LanguageMenu()->actions()) {
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    EXPECT_EQ(items, QStringList({"Same as the &desktop", "-", "English", "Deutsch"}));
    EXPECT_TRUE(dlg.MenuItem(ID_LANGUAGE_DESKTOP)->isChecked());

    dlg.MenuItem(ID_LANGUAGE_FIRST + 2)->trigger();
    EXPECT_EQ(ReadLanguageChoice(), "de");
    EXPECT_EQ(dlg.StatusLine()->text(), "The panel will use this language from its next start.");
    dlg.MenuItem(ID_LANGUAGE_DESKTOP)->trigger();
    EXPECT_EQ(ReadLanguageChoice(), "");

    // The manual in the language in use, when there is one.
    program.write("faxrcp.html", "<html></html>");
    program.write("faxrcp.de.html", "<html></html>");
    UseLanguageFile(program.file("german.lng"));
    EXPECT_EQ(CMainDlg::HelpFilePath().toStdString(), program.file("faxrcp.de.html"));
    UseLanguageFile(program.file("english.lng"));
    EXPECT_EQ(CMainDlg::HelpFilePath().toStdString(), program.file("faxrcp.html"));
    platform::SetModuleFileNameForTests("");
}

} // namespace
