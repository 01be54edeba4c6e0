// The main window: pages and menus by machine class, texts from the language
// file, the size rule, the commands, help and About.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <memory>

#include "base/qt_property_page.h"
#include "model/lang_text.h"
#include "pages/CInfo.h"
#include "pages/CSettings.h"
#include "phonebook/CPhonebook.h"
#include "protocol/inquiry.h"
#include "protocol/phonebook.h"
#include "shell/CAbout.h"
#include "shell/CMainDlg.h"
#include "support/ui/qt_window_fixture.h"
#include "widgets/CIconButton.h"

namespace {

// The File items that go with the Phonebook page.
constexpr int kPhonebookCommands[] = {ID_FILE_LOAD_PBOOK, ID_FILE_SAVE_PBOOK, ID_FILE_IMPORT_PBOOK,
                                      ID_FILE_EXPORT_PBOOK, ID_FILE_PRINT_PBOOK};

class MainDlgTest : public WindowTest {
  protected:
    std::unique_ptr<CMainDlg> Open(uint8_t machineClass) {
        panelContext.records.inquiryRecord.machineClass = machineClass;
        auto dlg = std::make_unique<CMainDlg>(panelContext);
        return dlg;
    }

    static QStringList Items(QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions()) {
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        return out;
    }

    static QStringList Tabs(QTabWidget* sheet) {
        QStringList out;
        for (int i = 0; i < sheet->count(); ++i) {
            out << sheet->tabText(i);
        }
        return out;
    }
};

TEST_F(MainDlgTest, FullMachineHasFiveTabsAndGrayedPhonebookFileItems) {
    auto dlg = Open(2);
    EXPECT_EQ(mainDlg, dlg.get());
    EXPECT_EQ(Tabs(dlg->Sheet()),
              QStringList({"Settings", "Advanced", "Phonebook", "Information", "Firmware Update"}));
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(dlg->Sheet()->tabIcon(i).isNull()) << i;
    }
    EXPECT_EQ(dlg->Sheet()->iconSize(), QSize(20, 20));
    EXPECT_EQ(dlg->Sheet()->widget(3), static_cast<QWidget*>(dlg->Page<CInfo>()));

    EXPECT_EQ(dlg->windowTitle(), "Telvane Remote Control Panel");
    EXPECT_EQ(dlg->ExitButton()->text(), "E&xit");
    EXPECT_EQ(dlg->HelpButton()->text(), "He&lp");
    EXPECT_EQ(dlg->ExitButton()->IconId(), 121);
    EXPECT_EQ(dlg->HelpButton()->IconId(), 122);
    EXPECT_FALSE(dlg->ExitButton()->IsFlat());

    EXPECT_EQ(dlg->FileMenu()->title(), "&File");
    EXPECT_EQ(
        Items(dlg->FileMenu()),
        QStringList({"Load &Settings...", "Sa&ve Settings...", "-", "&Load Phonebook...",
                     "Save &Phonebook...", "&Import Phonebook...", "&Export Phonebook...",
                     "Prin&t Phonebook...", "-", "Machine on &Another Computer...", "-", "E&xit"}));
    EXPECT_TRUE(dlg->MenuItem(ID_FILE_LOAD_SETTINGS)->isEnabled());
    EXPECT_TRUE(dlg->MenuItem(ID_FILE_SAVE_SETTINGS)->isEnabled());
    for (int command : kPhonebookCommands) {
        EXPECT_FALSE(dlg->MenuItem(command)->isEnabled()) << command;
    }
    // Another machine leaves the window as Exit does: not while Exit may not.
    for (const bool exit : {false, true}) {
        dlg->EnableExit(exit);
        EXPECT_EQ(dlg->MenuItem(ID_FILE_REMOTE_MACHINE)->isEnabled(), exit);
    }
    EXPECT_EQ(dlg->HelpMenu()->title(), "&Help");
    EXPECT_EQ(Items(dlg->HelpMenu()), QStringList({"&Contents", "&Language", "-", "&About..."}));

    // The first page reads the machine once the window is up; the others wait.
    EXPECT_FALSE(dlg->SheetPages()[0]->IsInitialised());
    dlg->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(dlg->SheetPages()[0]->IsInitialised());
    EXPECT_FALSE(dlg->Page<CInfo>()->IsInitialised());
}

TEST_F(MainDlgTest, PhonebookFileItemsFollowThePhonebookPage) {
    ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100)); // as start-up does
    auto dlg = Open(2);
    dlg->Sheet()->setCurrentIndex(2);
    for (int command : kPhonebookCommands) {
        EXPECT_TRUE(dlg->MenuItem(command)->isEnabled()) << command;
    }
    dlg->Sheet()->setCurrentIndex(3);
    EXPECT_TRUE(dlg->Page<CInfo>()->IsInitialised());
    for (int command : kPhonebookCommands) {
        EXPECT_FALSE(dlg->MenuItem(command)->isEnabled()) << command;
    }
    EXPECT_TRUE(dlg->MenuItem(ID_FILE_SAVE_SETTINGS)->isEnabled());
}

TEST_F(MainDlgTest, OtherMachinesHaveInformationAndFirmwareAndNoFileCommandsOfTheirPages) {
    machine().setMachineClass(0);
    auto dlg = Open(0);
    EXPECT_EQ(Tabs(dlg->Sheet()), QStringList({"Information", "Firmware Update"}));
    CInfo* info = dlg->Page<CInfo>();
    EXPECT_EQ(dlg->Sheet()->widget(0), static_cast<QWidget*>(info));
    // Information is the first page: it reads the machine once shown.
    dlg->show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(info->IsInitialised());
    EXPECT_EQ(info->Control<QWidget>(1065)->property("text").toString(), "2.05");
    EXPECT_EQ(Items(dlg->FileMenu()),
              QStringList({"Machine on &Another Computer...", "-", "E&xit"}));
    EXPECT_EQ(dlg->MenuItem(ID_FILE_LOAD_PBOOK), nullptr);
    EXPECT_EQ(dlg->MenuItem(ID_FILE_SAVE_SETTINGS), nullptr);
    EXPECT_EQ(dlg->MenuItem(ID_FILE_EXPORT_PBOOK), nullptr);
    EXPECT_EQ(Items(dlg->HelpMenu()), QStringList({"&Contents", "&Language", "-", "&About..."}));
    // The full machine's own pages are not made at all.
    EXPECT_EQ(dlg->Page<CSettings>(), nullptr);
    EXPECT_EQ(dlg->Page<CPhonebook>(), nullptr);

    // The tab images are those of Information and Firmware Update.
    auto full = [this] {
        panelContext.records.inquiryRecord.machineClass = 2;
        return std::make_unique<CMainDlg>(panelContext);
    };
    const QImage infoImage = dlg->Sheet()->tabIcon(0).pixmap(20, 20).toImage();
    dlg.reset();
    auto five = full();
    EXPECT_EQ(five->Sheet()->tabIcon(3).pixmap(20, 20).toImage(), infoImage);
}

TEST_F(MainDlgTest, MissingKeysGiveEmptyTextsThatStillWork) {
    UseLanguage(LanguageFileText("en", {"MENU", "INFO"}, {"MAIN/CAPTION", "MAIN/IDC_HELP"}));
    auto dlg = Open(2);
    EXPECT_EQ(dlg->windowTitle(), "");
    EXPECT_EQ(dlg->HelpButton()->text(), "");
    EXPECT_EQ(dlg->ExitButton()->text(), "E&xit");
    EXPECT_EQ(dlg->FileMenu()->title(), "");
    EXPECT_EQ(dlg->HelpMenu()->title(), "");
    EXPECT_EQ(Items(dlg->FileMenu()),
              QStringList({"", "", "-", "", "", "", "", "", "-", "", "-", ""}));
    EXPECT_EQ(Items(dlg->HelpMenu()), QStringList({"", "", "-", ""}));
    EXPECT_EQ(dlg->Sheet()->tabText(3), "");
    EXPECT_EQ(dlg->Sheet()->tabText(0), "Settings");

    // An item without a text still runs its command.
    dlg->show();
    dlg->MenuItem(ID_APP_EXIT_CMD)->trigger();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
}

TEST_F(MainDlgTest, EveryLanguageNamesTheMainWindowsTexts) {
    for (const char* lang : {"en", "fr", "de"}) {
        const auto keys = LanguageKeys(LanguageFileText(lang));
        for (const char* key : {"MAIN/CAPTION",           "MAIN/IDC_EXIT",
                                "MAIN/IDC_HELP",          "MENU/FILE_MENU",
                                "MENU/HELP_MENU",         "MENU/IDM_LOAD_SETTINGS",
                                "MENU/IDM_SAVE_SETTINGS", "MENU/IDM_LOAD_PBOOK",
                                "MENU/IDM_SAVE_PBOOK",    "MENU/IDM_EXIT",
                                "MENU/IDM_HELP_CONTENTS", "MENU/IDM_ABOUT",
                                "ABOUT/CAPTION",          "ABOUT/IDOK",
                                "COMMON/IDS_NOT_RESPOND", "COMMON/IDS_PRODUCT_NAME",
                                "COMMON/IDS_VERSION_NO",  "COMMON/IDS_COPYRIGHT1",
                                "COMMON/IDS_COPYRIGHT2",  "SETTINGS/CAPTION",
                                "ADVANCED/CAPTION",       "PHONEBOOK/CAPTION",
                                "INFO/CAPTION",           "FWUP/CAPTION"}) {
            EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << lang << " " << key;
        }
    }
    UseLanguage(LanguageFileText("de"));
    auto dlg = Open(0);
    EXPECT_EQ(dlg->Sheet()->tabText(1), "Firmware-Aktualisierung");
    EXPECT_EQ(dlg->MenuItem(ID_APP_EXIT_CMD)->text(), "&Beenden");
}

TEST_F(MainDlgTest, WindowIsSixCharacterHeightsTallerThanTheSheetAndTheMenuBar) {
    auto check = [](CMainDlg& dlg) {
        const int charHeight = QFontMetrics(dlg.font()).height();
        const QRect sheet = dlg.Sheet()->geometry();
        const int menu = dlg.MenuBar()->height();
        EXPECT_EQ(sheet.left(), 10);
        EXPECT_EQ(sheet.top(), menu + 10);
        // The same margin on the right as on the left.
        EXPECT_EQ(dlg.width(), sheet.width() + 20);
        EXPECT_EQ(dlg.height(), sheet.height() + 6 * charHeight + menu);
        // Exit and Help sit below the sheet, inside the window.
        EXPECT_GE(dlg.ExitButton()->geometry().top(), sheet.bottom());
        EXPECT_LE(dlg.HelpButton()->geometry().bottom(), dlg.height());
        EXPECT_LE(dlg.HelpButton()->geometry().right(), dlg.width());
        return QSize(dlg.size());
    };
    const QSize normal = [&] {
        auto dlg = Open(2);
        return check(*dlg);
    }();

    const QFont saved = QApplication::font();
    QFont larger = saved;
    larger.setPointSizeF(saved.pointSizeF() * 1.5);
    QApplication::setFont(larger);
    QSize big;
    {
        auto dlg = Open(2);
        big = check(*dlg);
    }
    QApplication::setFont(saved);
    EXPECT_GT(big.width(), normal.width());
    EXPECT_GT(big.height(), normal.height());
}

TEST_F(MainDlgTest, ExitButtonExitItemAndEnterOnExitEndWithOkEscapeWithCancel) {
    {
        auto dlg = Open(0);
        dlg->show();
        dlg->ExitButton()->click();
        EXPECT_EQ(dlg->result(), QDialog::Accepted);
        EXPECT_FALSE(dlg->isVisible());
    }
    {
        auto dlg = Open(0);
        dlg->show();
        dlg->MenuItem(ID_APP_EXIT_CMD)->trigger();
        EXPECT_EQ(dlg->result(), QDialog::Accepted);
    }
    {
        auto dlg = Open(0);
        dlg->show();
        dlg->ExitButton()->setFocus();
        QTest::keyClick(dlg->ExitButton(), Qt::Key_Return);
        EXPECT_EQ(dlg->result(), QDialog::Accepted);
        EXPECT_FALSE(dlg->isVisible());
    }
    {
        // Enter anywhere else never ends the window.
        auto dlg = Open(0);
        dlg->show();
        dlg->setFocus();
        QTest::keyClick(dlg.get(), Qt::Key_Return);
        EXPECT_TRUE(dlg->isVisible());
    }
    {
        auto dlg = Open(0);
        dlg->show();
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        EXPECT_EQ(dlg->result(), QDialog::Rejected);
        EXPECT_FALSE(dlg->isVisible());
    }
}

TEST_F(MainDlgTest, HelpButtonF1AndContentsOpenTheManualAtTopicOneAndItClosesWithTheWindow) {
    auto dlg = Open(0);
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    dlg->HelpButton()->click();
    dlg->activateWindow();
    QTest::keyClick(dlg.get(), Qt::Key_F1);
    dlg->MenuItem(ID_HELP_CONTENTS)->trigger();
    ASSERT_EQ(desk.helpCalls.size(), 3u);
    for (const auto& call : desk.helpCalls) {
        EXPECT_EQ(call.command, desktop::HelpCommand::Context);
        EXPECT_EQ(call.data, 1);
        EXPECT_TRUE(call.helpFile.endsWith(".html")) << call.helpFile.toStdString();
    }
    dlg.reset();
    ASSERT_EQ(desk.helpCalls.size(), 4u);
    EXPECT_EQ(desk.helpCalls[3].command, desktop::HelpCommand::Quit);
    EXPECT_EQ(mainDlg, nullptr);
}

// Names from outside (files, the machine) show as they are, never as markup.
TEST(MessageBoxTest, OutsideTextsAreShownAsTheyAre) {
    desktop::QtDesktop real;
    std::vector<Qt::TextFormat> seen;
    const auto answered = [&] {
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen.push_back(box->textFormat());
                box->buttons().first()->click();
            }
        });
        return QStringLiteral("<font size=7 color=red>HUGE.csv");
    };
    real.messageBox(nullptr, answered(), "faxrcp", desktop::Icon::Error, desktop::Buttons::Ok);
    real.askChoice(nullptr, answered(), "faxrcp", {"Send", "Stay"}, 1);
    EXPECT_EQ(seen, (std::vector<Qt::TextFormat>{Qt::PlainText, Qt::PlainText}));
}

TEST(HelpWindowTest, ShowsTheManualAtItsFirstTopicAndGoesOnQuit) {
    desktop::QtDesktop real;
    QWidget owner;
    owner.show();
    const QString manual = QStringLiteral(FAXRCP_SOURCE_DIR "/src/resources/faxrcp.html");
    real.help(&owner, manual, desktop::HelpCommand::Context, 1);
    QWidget* window = owner.findChild<QWidget*>("helpWindow");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    auto* browser = window->findChild<QTextBrowser*>();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->source().fragment(), "topic1");
    EXPECT_FALSE(window->windowTitle().isEmpty());
    EXPECT_TRUE(browser->toPlainText().contains("Information"));
    // Every topic that the contents link to exists.
    for (int topic = 1; topic <= 10; ++topic) {
        EXPECT_TRUE(browser->document()->toHtml().contains(QStringLiteral("topic%1").arg(topic)))
            << topic;
    }

    real.help(&owner, manual, desktop::HelpCommand::Quit, 0);
    QApplication::processEvents();
    EXPECT_EQ(owner.findChild<QWidget*>("helpWindow"), nullptr);

    // Each language has its manual beside the program, with the English one's
    // sections in the same order, in that language: it names the pages as the
    // language file does.
    const auto anchors = [](const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        QStringList found;
        static const QRegularExpression anchor(QStringLiteral(R"((?:id|href)="[^"]*")"));
        for (const auto& match : anchor.globalMatch(QString::fromUtf8(file.readAll()))) {
            found << match.captured(0);
        }
        return found;
    };
    const QStringList english = anchors(manual);
    ASSERT_GE(english.size(), 20);
    const std::string languageFile = LanguageFileInUse();
    for (const KnownLanguage& language : KnownLanguages()) {
        const QString code = QString::fromUtf8(language.code);
        const QString translated =
            QStringLiteral(FAXRCP_BIN_DIR "/faxrcp") +
            (code == QLatin1String("en") ? QString() : QLatin1Char('.') + code) +
            QStringLiteral(".html");
        EXPECT_EQ(anchors(translated), english) << language.code;
        real.help(&owner, translated, desktop::HelpCommand::Context, 1);
        auto* shown = owner.findChild<QTextBrowser*>();
        ASSERT_NE(shown, nullptr) << language.code;
        UseLanguageFile(FAXRCP_BIN_DIR "/" + std::string(language.file));
        for (const char* page : {"SETTINGS", "ADVANCED", "PHONEBOOK", "INFO", "FWUP"}) {
            const QString caption = QString::fromUtf8(GetLangString(page, "CAPTION"));
            EXPECT_FALSE(caption.isEmpty()) << language.code << " " << page;
            EXPECT_TRUE(shown->toPlainText().contains(caption)) << language.code << " " << page;
        }
        real.help(&owner, translated, desktop::HelpCommand::Quit, 0);
        QApplication::processEvents();
    }
    UseLanguageFile(languageFile);
}

TEST_F(MainDlgTest, AboutRunsModallyOverTheMainWindow) {
    auto dlg = Open(0);
    dlg->show();
    QString seen;
    WhenModalOpens([&seen](QWidget* modal) {
        if (auto* about = qobject_cast<CAbout*>(modal)) {
            seen = about->windowTitle();
            about->OkButton()->click();
        } else {
            modal->close();
        }
    });
    dlg->MenuItem(ID_HELP_ABOUT)->trigger();
    EXPECT_EQ(seen, "About");
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(MainDlgTest, FileCommandsGoToTheCurrentPageOnly) {
    ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100)); // as start-up does
    auto dlg = Open(2);
    dlg->Sheet()->setCurrentIndex(2);
    dlg->MenuItem(ID_FILE_LOAD_PBOOK)->trigger();
    dlg->MenuItem(ID_FILE_SAVE_PBOOK)->trigger();
    ASSERT_EQ(desk.fileDialogs.size(), 2u);
    EXPECT_FALSE(desk.fileDialogs[0].save);
    EXPECT_TRUE(desk.fileDialogs[1].save);
    EXPECT_EQ(desk.fileDialogs[0].owner, dlg.get());

    // Information has no use for them, even with the items enabled.
    dlg->Sheet()->setCurrentIndex(3);
    dlg->EnableCommand(ID_FILE_LOAD_PBOOK, true);
    dlg->MenuItem(ID_FILE_LOAD_PBOOK)->trigger();
    EXPECT_EQ(desk.fileDialogs.size(), 2u);
}

TEST_F(MainDlgTest, MinimisedWindowPaintsItsIconCentred) {
    auto dlg = Open(0);
    dlg->show();
    dlg->setWindowState(Qt::WindowMinimized);
    QImage image(dlg->size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    dlg->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const QPoint centre(dlg->width() / 2, dlg->height() / 2);
    EXPECT_NE(image.pixelColor(centre), dlg->palette().window().color());
    EXPECT_EQ(image.pixelColor(1, 1), dlg->palette().window().color());
}

// Closing the window from any tab sends nothing, even with every page unread
// and the machine gone: no first-time read of a neighbouring page, no box.
TEST_F(MainDlgTest, ClosingFromAnyTabSendsNothing) {
    for (int tab = 0; tab < 5; ++tab) {
        SCOPED_TRACE(tab);
        auto dlg = Open(2);
        dlg->Sheet()->setCurrentIndex(tab);
        machine().clearLog();
        machine().setOpenRefused(true);
        const size_t calls = desk.calls.size();
        dlg.reset();
        EXPECT_TRUE(machine().commandLog().empty());
        EXPECT_EQ(std::count(desk.calls.begin() + static_cast<long>(calls), desk.calls.end(),
                             std::string("messageBox")),
                  0);
        machine().setOpenRefused(false);
    }
}

} // namespace
