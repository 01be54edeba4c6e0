// The application object: the start-up boxes from the program's own string
// table, the single instance (in this process and with the real program),
// the shared not-responding box, and the desktop seam's real boxes and
// filters.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <thread>

#include "base/qt_not_responding.h"
#include "shell/CMainDlg.h"
#include "shell/CRcpApp.h"
#include "shell/CStartupWindow.h"
#include "shell/qt_single_instance.h"
#include "support/ui/qt_window_fixture.h"

namespace {

QString UniqueName(const char* what) {
    return QStringLiteral("faxrcp-test-%1-%2-%3")
        .arg(what)
        .arg(QCoreApplication::applicationPid())
        .arg(QDateTime::currentMSecsSinceEpoch());
}

// Runs the event loop of this thread until done() or about five seconds.
template <class F> void SpinUntil(F done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

// Asks from another thread, as a second program would, while this thread
// answers.
bool AskFromAnotherInstance(const QString& server, const QString& title) {
    std::atomic<int> answer{-1};
    std::thread other([&] {
        SingleInstance second(server);
        answer = second.BringForwardRunning(title, 2000) ? 1 : 0;
    });
    SpinUntil([&] { return answer >= 0; });
    other.join();
    return answer == 1;
}

using AppTest = WindowTest;

TEST_F(AppTest, StartUpBoxesStandOverTheStartUpWindowAndSayWhatToDo) {
    UseLanguageOf("de");
    CStartupWindow window;
    const StartupHooks hooks = CRcpApp::MakeStartupHooks(&window);
    desk.messageAnswers = {desktop::Result::Retry, desktop::Result::Cancel, desktop::Result::Cancel,
                           desktop::Result::Retry};
    EXPECT_TRUE(hooks.portBusy(PortHolder::Panel));
    EXPECT_FALSE(hooks.portBusy(PortHolder::CommandLine));
    EXPECT_FALSE(hooks.portBusy(PortHolder::Unknown));
    EXPECT_EQ(hooks.notResponding(), NotRespondingChoice::Retry);
    ASSERT_EQ(desk.messageBoxes.size(), 4u);
    EXPECT_TRUE(desk.messageBoxes[0].text.startsWith("Ein anderes Fenster dieses Bedienfelds"));
    EXPECT_TRUE(desk.messageBoxes[1].text.startsWith("Ein faxrcp-cli-Befehl"));
    EXPECT_TRUE(desk.messageBoxes[2].text.startsWith("Ein anderes Programm, etwa die Scanner"));
    EXPECT_TRUE(desk.messageBoxes[3].text.startsWith("Das Gerät antwortet nicht.\n\n"));
    EXPECT_TRUE(desk.messageBoxes[3].text.contains("faxrcp-cli devices"));
    for (const auto& box : desk.messageBoxes) {
        EXPECT_EQ(box.owner, &window);
        EXPECT_EQ(box.caption, "Telvane Remote Control Panel");
    }
    EXPECT_EQ(desk.messageBoxes[0].buttons, desktop::Buttons::RetryCancel);

    hooks.looking(LookingAt::ParallelPort);
    EXPECT_TRUE(window.LookingText().contains("parallelen Schnittstelle"));
    EXPECT_FALSE(hooks.cancelled());
    EXPECT_TRUE(window.CancelButton()->isDefault());
    window.RemoteButton()->click(); // start-up stops looking, then asks
    EXPECT_TRUE(hooks.cancelled());
    // The other computer's choice closed without one: look on as before.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(hooks.instead(), std::string());
    EXPECT_FALSE(hooks.cancelled());
    EXPECT_TRUE(window.RemoteButton()->isEnabled());
    window.CancelButton()->click();
    EXPECT_EQ(hooks.instead(), std::nullopt);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(AppTest, StartUpBoxesWithoutALanguageFileUseTheProgramsOwnStrings) {
    UseLanguage("");
    const StartupHooks hooks = CRcpApp::MakeStartupHooks();
    desk.messageAnswers = {desktop::Result::Retry, desktop::Result::Ignore, desktop::Result::Abort,
                           desktop::Result::Cancel};
    EXPECT_EQ(hooks.notResponding(), NotRespondingChoice::Retry);
    EXPECT_EQ(hooks.notResponding(), NotRespondingChoice::Ignore);
    EXPECT_EQ(hooks.notResponding(), NotRespondingChoice::Abort);
    EXPECT_EQ(hooks.notResponding(), NotRespondingChoice::Abort); // closed without a button
    hooks.portBusy(PortHolder::Unknown);
    ASSERT_EQ(desk.messageBoxes.size(), 5u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(desk.messageBoxes[i].text.startsWith("Not responding\n\nCheck that"));
        EXPECT_EQ(desk.messageBoxes[i].icon, desktop::Icon::Error);
        EXPECT_EQ(desk.messageBoxes[i].buttons, desktop::Buttons::AbortRetryIgnore);
    }
    EXPECT_EQ(desk.messageBoxes[4].text, "Port is busy");

    hooks.waitCursor(true);
    EXPECT_EQ(desk.waitCursorDepth, 1);
    hooks.waitCursor(false);
    EXPECT_EQ(desk.waitCursorDepth, 0);
}

TEST_F(AppTest, SharedNotRespondingBoxTakesTextAndCaptionFromTheLanguageFile) {
    UseLanguage("[COMMON]\nIDS_NOT_RESPOND=Silent machine\n[MAIN]\nCAPTION=Panel\n");
    QWidget owner;
    EXPECT_EQ(ShowNotResponding(&owner), desktop::Result::Ok);
    UseLanguage("");
    ShowNotResponding(nullptr);
    ASSERT_EQ(desk.messageBoxes.size(), 2u);
    EXPECT_EQ(desk.messageBoxes[0].owner, &owner);
    EXPECT_EQ(desk.messageBoxes[0].text, "Silent machine");
    EXPECT_EQ(desk.messageBoxes[0].caption, "Panel");
    EXPECT_EQ(desk.messageBoxes[0].icon, desktop::Icon::Error);
    EXPECT_EQ(desk.messageBoxes[0].buttons, desktop::Buttons::Ok);
    EXPECT_EQ(desk.messageBoxes[1].text, "");
    EXPECT_EQ(desk.messageBoxes[1].caption, "");
}

TEST_F(AppTest, SecondInstanceRestoresAMinimisedWindowOrRaisesAnOpenOne) {
    const QString name = UniqueName("inproc");
    SingleInstance first(name);
    first.SetWindowWait(300);
    ASSERT_TRUE(first.Listen());

    QWidget window;
    window.setWindowTitle("Telvane");
    window.show();
    window.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(window.isMinimized());
    EXPECT_TRUE(AskFromAnotherInstance(name, "Telvane"));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
    // Another title: after a moment, whatever window the first shows.
    EXPECT_TRUE(AskFromAnotherInstance(name, "Telvan"));
    window.hide();
    EXPECT_FALSE(AskFromAnotherInstance(name, "Telvane"));
    // A launch while the first is still starting: its window comes up later.
    QTimer::singleShot(50, &window, [&window] { window.show(); });
    EXPECT_TRUE(AskFromAnotherInstance(name, "Telvane"));
    // Nobody listening.
    EXPECT_FALSE(AskFromAnotherInstance(UniqueName("none"), "Telvane"));
}

TEST_F(AppTest, AppObjectThatFindsAnotherInstanceEndsBeforeStartUp) {
    const QString name = UniqueName("app");
    SingleInstance first(name);
    ASSERT_TRUE(first.Listen());
    QWidget window;
    window.setWindowTitle("Telvane");
    window.show();

    std::atomic<int> state{0};
    bool found = false;
    bool ran = true;
    std::thread other([&] {
        CRcpApp second(name);
        second.runMainWindow = [](CMainDlg&) { return 0; };
        second.InitInstance();
        found = second.foundOtherInstance;
        ran = second.mainWindowRan;
        state = 1;
    });
    SpinUntil([&] { return state == 1; });
    other.join();
    EXPECT_TRUE(found);
    EXPECT_FALSE(ran);
    // Nothing of start-up ran: the machine heard nothing.
    EXPECT_TRUE(machine().commandLog().empty());
}

TEST_F(AppTest, AppObjectRunsStartUpAndTheMainWindowOnTheSimulatedMachine) {
    qputenv("FAXRCP_USB_PORT", "sim:");
    qputenv("FAXRCP_LOCK_DIR", QFile::encodeName(QString::fromStdString(dir.path())));
    CRcpApp app(UniqueName("run"));
    int tabs = -1;
    QString title;
    int runs = 0;
    app.runMainWindow = [&](CMainDlg& dlg) {
        tabs = dlg.Sheet()->count();
        title = dlg.windowTitle();
        // Another machine chosen from the File menu: start-up again, for it.
        if (++runs == 1) {
            dlg.SwitchToMachine("sim:");
            return dlg.result();
        }
        return 1;
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(runs, 2);
    const auto log = machine().commandLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), sim::Command::Inquiry), 2);
    qunsetenv("FAXRCP_USB_PORT");
    qunsetenv("FAXRCP_LOCK_DIR");
    EXPECT_TRUE(app.mainWindowRan);
    EXPECT_EQ(tabs, 5);
    EXPECT_EQ(title, "Telvane Remote Control Panel");
    EXPECT_EQ(mainDlg, nullptr);
    EXPECT_TRUE(desk.messageBoxes.empty());
    ASSERT_FALSE(machine().commandLog().empty());
    EXPECT_EQ(machine().commandLog().front(), sim::Command::Inquiry);
}

TEST_F(AppTest, SecondStartOfTheProgramRaisesTheFirstAndEnds) {
    const QString program = QStringLiteral(FAXRCP_BIN_DIR "/faxrcp");
    if (!QFile::exists(program)) {
        GTEST_SKIP() << "faxrcp is not built";
    }
    const QString name = UniqueName("program");
    SingleInstance first(name);
    ASSERT_TRUE(first.Listen());
    QWidget window;
    window.setWindowTitle("Telvane");
    window.show();
    window.setWindowState(Qt::WindowMinimized);

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("FAXRCP_INSTANCE", name);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // Should it not find the first, it must not wait on a real machine.
    env.insert("FAXRCP_USB_PORT", "sim:");
    env.insert("FAXRCP_FAST_WAITS", "1");
    env.insert("FAXRCP_LOCK_DIR", QString::fromStdString(dir.path()));
    second.setProcessEnvironment(env);
    second.start(program, {});
    ASSERT_TRUE(second.waitForStarted(5000));
    SpinUntil([&] { return second.state() == QProcess::NotRunning; });
    if (second.state() != QProcess::NotRunning) {
        second.kill();
        second.waitForFinished(2000);
        FAIL() << "the second start did not end";
    }
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(window.isMinimized());
}

TEST(DesktopFilterTest, PlatformFiltersBecomeQtFiltersThatIgnoreLetterCase) {
    const QStringList filters =
        desktop::QtNameFilters("Phonebook Files(*.pbf)|*.pbf|All files (*.*)|*.*||");
    ASSERT_EQ(filters.size(), 2);
    EXPECT_EQ(filters[0], "Phonebook Files(*.pbf) (*.[pP][bB][fF])");
    EXPECT_EQ(filters[1], "All files (*.*) (*)");
    EXPECT_EQ(desktop::QtNameFilters("A|*.a;*.b||ignored|*.c").size(), 1);
    EXPECT_TRUE(desktop::QtNameFilters("").isEmpty());
    EXPECT_TRUE(desktop::QtNameFilters("odd").isEmpty());

    TempDir files;
    for (const char* name : {"BOOK.PBF", "book.pbf", "Mixed.Pbf", "book.pbfx", "notes.txt"}) {
        files.write(name, "x");
    }
    const QString pattern = filters[0].section('(', 2).chopped(1);
    const QStringList shown =
        QDir(QString::fromStdString(files.path())).entryList({pattern}, QDir::Files, QDir::Name);
    EXPECT_EQ(shown, QStringList({"BOOK.PBF", "Mixed.Pbf", "book.pbf"}));

    EXPECT_TRUE(desktop::MatchesFilterPattern("SETUP.STF", "*.stf"));
    EXPECT_TRUE(desktop::MatchesFilterPattern("a.b", "*.txt;*.B"));
    EXPECT_TRUE(desktop::MatchesFilterPattern("noextension", "*.*"));
    EXPECT_FALSE(desktop::MatchesFilterPattern("book.pbf.txt", "*.pbf"));
}

TEST(DesktopBoxTest, RealBoxAnswersWithTheButtonPressed) {
    desktop::QtDesktop real;
    for (auto [button, expected] : {std::pair{QMessageBox::Abort, desktop::Result::Abort},
                                    std::pair{QMessageBox::Retry, desktop::Result::Retry},
                                    std::pair{QMessageBox::Ignore, desktop::Result::Ignore}}) {
        QString text;
        WhenModalOpens([&text, button = button](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            text = box->text();
            EXPECT_EQ(box->windowTitle(), "Telvane");
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
            box->button(button)->click();
        });
        EXPECT_EQ(real.messageBox(nullptr, "Not responding", "Telvane", desktop::Icon::Error,
                                  desktop::Buttons::AbortRetryIgnore),
                  expected);
        EXPECT_EQ(text, "Not responding");
    }
}

} // namespace
