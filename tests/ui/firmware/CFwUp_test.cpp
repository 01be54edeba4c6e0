#include "firmware/CFwUp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "link/port.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "platform/debug_output.h"
#include "platform/virtual_clock.h"
#include "sim/simulated_machine.h"
#include "support/platform/firmware_test_helpers.h"
#include "support/ui/qt_window_fixture.h"
#include "templates/fwup_template.h"

namespace fwup_page_test {

using namespace fwup_ids;

// Virtual time; each wait lets the window paint and answer the desktop while
// user input stays queued, as the windowed program's clock does.
class PaintingClock : public platform::VirtualClock {
  public:
    using VirtualClock::VirtualClock;
    std::function<void(uint32_t)> onSleepStart; // before the window gets its events
    std::function<void(uint32_t)> onSleep;      // after
    void sleep(uint32_t ms) override {
        if (onSleepStart) {
            onSleepStart(ms);
        }
        VirtualClock::sleep(ms);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (onSleep) {
            onSleep(ms);
        }
    }
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

class FwUpPageTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        useClock(paintingClock);
    }

    void show() {
        page.EnsureInitialised();
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
    QString text(int id) const { return dlg::ControlText(&page, id); }
    QPushButton* button(int id) const { return page.Control<QPushButton>(id); }
    QProgressBar* bar() const { return page.Control<QProgressBar>(kProgress); }

    // Browse... with the file dialog answering path ("" cancels).
    void browse(const QString& path) {
        desk.openAnswers.push_back(path);
        QTest::mouseClick(button(kBrowse), Qt::LeftButton);
    }

    // Update, answering its question with Update.
    void update() {
        desk.choiceAnswers.push_back(1);
        QTest::mouseClick(button(kUpdate), Qt::LeftButton);
    }

    PaintingClock paintingClock{10000};
    CFwUp page{panelContext};
};

TEST_F(FwUpPageTest, InitialLookBeforeAnyChoice) {
    show();

    EXPECT_EQ(text(kFileName), "");
    EXPECT_EQ(text(kFileSize), "");
    EXPECT_EQ(text(kPercent), "0 %");
    EXPECT_EQ(text(kMessage), "Select a firmware file.");
    EXPECT_FALSE(button(kUpdate)->isEnabled());
    EXPECT_TRUE(button(kBrowse)->isEnabled());
    EXPECT_EQ(bar()->value(), 0);

    EXPECT_EQ(text(kFileInformationBox), "File information");
    EXPECT_EQ(text(kFileNameLabel), "File name:");
    EXPECT_EQ(text(kBrowse), "Browse...");
    EXPECT_EQ(text(kFileSizeLabel), "File size:");
    EXPECT_EQ(text(kProgressBox), "Progress");
    EXPECT_EQ(text(kMessageLabel), "Message:");
    EXPECT_EQ(text(kUpdate), "Update");
    EXPECT_EQ(page.Caption(), "Firmware Update");
}

TEST_F(FwUpPageTest, TextsFollowTheLanguageFileEvenWhenMissing) {
    // German, then a file without FWUP and an empty message text.
    UseLanguageOf("de");
    CFwUp german(panelContext);
    german.EnsureInitialised();
    EXPECT_EQ(dlg::ControlText(&german, kUpdate), "Aktualisieren");
    EXPECT_EQ(dlg::ControlText(&german, kMessage), "Wählen Sie eine Firmware-Datei.");

    UseLanguageFile(dir.write("bare.ini", "[COMMON]\nIDS_STRING100=\n"));
    CFwUp bare(panelContext);
    bare.EnsureInitialised();
    for (int id : {kFileInformationBox, kFileNameLabel, kBrowse, kFileSizeLabel, kProgressBox,
                   kMessageLabel, kUpdate}) {
        EXPECT_EQ(dlg::ControlText(&bare, id), "") << id;
    }
    EXPECT_EQ(dlg::ControlText(&bare, kMessage), "");
    EXPECT_EQ(dlg::ControlText(&bare, kPercent), "0 %");
}

TEST_F(FwUpPageTest, BrowseShowsNameAndSizeAndEnablesUpdate) {
    show();
    const std::string path = dir.write("fw.bin", std::string(262144, '\x5A'));

    browse(QString::fromStdString(path));

    ASSERT_EQ(desk.fileDialogs.size(), 1u);
    const auto& call = desk.fileDialogs[0];
    EXPECT_FALSE(call.save);
    EXPECT_EQ(call.owner, &page);
    EXPECT_EQ(call.options.filter, "All files (*.*)|*.*||");
    EXPECT_EQ(call.options.defaultExtension, "");
    EXPECT_EQ(call.options.initialDirectory, ""); // the current directory
    EXPECT_EQ(text(kFileName), QString::fromStdString(path));
    EXPECT_EQ(text(kFileSize), "262144 bytes");
    EXPECT_TRUE(button(kUpdate)->isEnabled());
}

TEST_F(FwUpPageTest, FileThatCannotGoOutWholeIsDroppedWithItsReason) {
    show();
    // At Browse: nothing to send.
    browse(QString::fromStdString(dir.write("empty.bin", "")));
    EXPECT_EQ(page.fileName, "");
    EXPECT_EQ(text(kMessage), "The firmware file is empty. Nothing was sent.");
    EXPECT_FALSE(button(kUpdate)->isEnabled());

    // A good choice replaces the message with one that names the file.
    const std::string path = dir.write("fw.bin", "abc");
    browse(QString::fromStdString(path));
    EXPECT_EQ(text(kMessage), "fw.bin is ready to be sent. Click Update to start.");
    EXPECT_TRUE(button(kUpdate)->isEnabled());

    // At Update: the file grew beyond what a transfer can count, sparse.
    std::filesystem::resize_file(path, uint64_t{5} << 30);
    update();
    EXPECT_EQ(text(kMessage), "The firmware file is larger than 4294967295 bytes and cannot be "
                              "sent. Nothing was sent.");
    EXPECT_EQ(text(kFileName), "");
    EXPECT_EQ(text(kFileSize), "");
    EXPECT_FALSE(button(kUpdate)->isEnabled());
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(desk.waitCursorDepth, 0);
    EXPECT_TRUE(machine().commandLog().empty()); // the machine never heard of it
}

TEST_F(FwUpPageTest, ALongPathIsCutInTheMiddleWholeInTheTipAndTheMessageNamesTheFile) {
    show();
    const std::string path =
        dir.write(std::string(4, 'f') + "/" + std::string(80, 'd') + "/update-2024.bin", "abc");
    browse(QString::fromStdString(path));
    auto* name = page.Control<QLabel>(kFileName);
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(name->text().contains(QChar(0x2026))) << name->text().toStdString();
    EXPECT_TRUE(name->text().startsWith(QString::fromStdString(dir.path()).left(4)));
    EXPECT_TRUE(name->text().endsWith("update-2024.bin"));
    EXPECT_LE(name->fontMetrics().horizontalAdvance(name->text()), name->contentsRect().width());
    EXPECT_EQ(name->toolTip(), QString::fromStdString(path));
    EXPECT_EQ(text(kMessage), "update-2024.bin is ready to be sent. Click Update to start.");
}

TEST_F(FwUpPageTest, CancelledBrowseChangesNothing) {
    show();
    const std::string path = dir.write("fw.bin", "abc");
    browse(QString::fromStdString(path));

    browse("");

    EXPECT_EQ(page.fileName, QString::fromStdString(path));
    EXPECT_EQ(text(kFileName), QString::fromStdString(path));
    EXPECT_EQ(text(kFileSize), "3 bytes");
    EXPECT_TRUE(button(kUpdate)->isEnabled());
}

TEST_F(FwUpPageTest, FileThatDoesNotExistDropsTheChoice) {
    show();
    browse(QString::fromStdString(dir.file("typed-name.bin")));
    EXPECT_EQ(page.fileName, "");
    EXPECT_FALSE(button(kUpdate)->isEnabled());
    EXPECT_EQ(text(kFileName), "");

    // After a good choice the failed one disables Update; the values are not
    // shown again until the next showing.
    const std::string good = dir.write("fw.bin", "abc");
    browse(QString::fromStdString(good));
    browse(QString::fromStdString(dir.path())); // a folder is no firmware file
    EXPECT_EQ(page.fileName, "");
    EXPECT_FALSE(button(kUpdate)->isEnabled());
    EXPECT_EQ(text(kFileName), QString::fromStdString(good));
    EXPECT_TRUE(desk.messageBoxes.empty());
}

TEST_F(FwUpPageTest, UpdateSendsTheImageAndResetsThePage) {
    show();
    const std::string image = fwtest::ImageBytes(10000, 3);
    browse(QString::fromStdString(dir.write("fw.bin", image)));

    struct {
        QString message, percent, name;
        int bar = -1;
        bool updateEnabled = true;
        bool browseEnabled = true;
        bool browseDialogOpened = false;
        int paints = 0;
    } duringStore;
    PaintCounter counter;
    paintingClock.onSleep = [&](uint32_t) {
        if (!text(kMessage).startsWith("Storing") || !duringStore.message.isEmpty()) {
            return;
        }
        duringStore.browseEnabled = button(kBrowse)->isEnabled();
        duringStore.message = text(kMessage);
        duringStore.percent = text(kPercent);
        duringStore.name = text(kFileName);
        duringStore.bar = bar()->value();
        duringStore.updateEnabled = button(kUpdate)->isEnabled();
        // The page keeps painting while it waits.
        QWidget* message = page.GetDlgItem(kMessage);
        message->installEventFilter(&counter);
        message->update();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        message->removeEventFilter(&counter);
        duringStore.paints = counter.paints;
        // Input that still reaches the page while it waits must not act.
        const size_t dialogs = desk.fileDialogs.size();
        desk.openAnswers.push_back(QString::fromStdString(dir.write("other.bin", "x")));
        QTest::mouseClick(button(kBrowse), Qt::LeftButton);
        QTest::mouseClick(button(kUpdate), Qt::LeftButton);
        duringStore.browseDialogOpened = desk.fileDialogs.size() > dialogs;
    };

    QTest::mouseClick(button(kUpdate), Qt::LeftButton); // the question's default sends nothing
    EXPECT_TRUE(machine().commandLog().empty());
    ASSERT_EQ(desk.choices.size(), 1u);
    EXPECT_EQ(desk.choices[0].text,
              "Send the firmware file fw.bin (10000 bytes) to the machine?\n\nDo not switch the "
              "machine off until the update is confirmed (about a minute).");
    EXPECT_EQ(desk.choices[0].buttons[0], "&Cancel");
    update();

    EXPECT_EQ(duringStore.message,
              "Storing the firmware in the machine: 40 s left. Do not switch it off.");
    EXPECT_FALSE(duringStore.updateEnabled);
    EXPECT_FALSE(duringStore.browseEnabled);
    EXPECT_EQ(duringStore.percent, "100 %");
    EXPECT_EQ(duringStore.bar, 100);
    EXPECT_FALSE(duringStore.name.isEmpty());
    EXPECT_GT(duringStore.paints, 0);
    EXPECT_FALSE(duringStore.browseDialogOpened);

    // The completion box, owned by the page, no icon, OK only.
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.messageBoxes[0].owner, &page);
    EXPECT_EQ(desk.messageBoxes[0].text, "Update Complete! \nFirmware updated: 2.05 → 2.05");
    EXPECT_EQ(desk.messageBoxes[0].caption, "Telvane Remote Control Panel");
    EXPECT_EQ(desk.messageBoxes[0].icon, desktop::Icon::None);
    EXPECT_EQ(desk.messageBoxes[0].buttons, desktop::Buttons::Ok);

    // Back to the initial look: a file must be chosen again.
    EXPECT_EQ(text(kFileName), "");
    EXPECT_EQ(text(kFileSize), "");
    EXPECT_EQ(text(kPercent), "");
    EXPECT_EQ(text(kMessage), "Select a firmware file.");
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_FALSE(button(kUpdate)->isEnabled());
    EXPECT_EQ(desk.waitCursorShown, 1);
    EXPECT_EQ(desk.waitCursorDepth, 0);

    const auto received = machine().firmwareImage();
    EXPECT_EQ(std::string(received.begin(), received.end()), image);
    EXPECT_EQ(machine().firmwareImagesCompleted(), 1);
    // The version before, one update request (no second transfer), then the
    // version after.
    EXPECT_EQ(machine().commandLog(),
              (std::vector<sim::Command>{sim::Command::GetInfo, sim::Command::FirmwareRequest,
                                         sim::Command::Inquiry, sim::Command::GetInfo}));
}

TEST_F(FwUpPageTest, FailedUpdateKeepsTheFileAndUpdate) {
    show();
    machine().setFault(sim::Command::FirmwareRequest, {.cutAnswerTo = 8});
    const std::string path = dir.write("fw.bin", fwtest::ImageBytes(5000));
    browse(QString::fromStdString(path));

    update();

    EXPECT_EQ(text(kMessage), "Failed to write data.");
    EXPECT_EQ(text(kFileName), QString::fromStdString(path));
    EXPECT_EQ(text(kFileSize), "5000 bytes");
    EXPECT_EQ(text(kPercent), "0 %");
    EXPECT_TRUE(button(kUpdate)->isEnabled());
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(desk.waitCursorDepth, 0);

    // The user can try again at once.
    machine().clearFaults();
    update();
    EXPECT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_FALSE(button(kUpdate)->isEnabled());
}

TEST_F(FwUpPageTest, ChosenFileGoneByUpdateDisablesUpdateSilently) {
    show();
    const std::string path = dir.write("fw.bin", "abc");
    browse(QString::fromStdString(path));
    std::filesystem::remove(path);

    update();

    EXPECT_EQ(page.fileName, "");
    EXPECT_FALSE(button(kUpdate)->isEnabled());
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(desk.waitCursorShown, 0);
    EXPECT_EQ(text(kMessage), "Select a firmware file.");
    EXPECT_TRUE(machine().commandLog().empty());
}

TEST_F(FwUpPageTest, ProgressIsPaintedAfterEachChunk) {
    show();
    browse(QString::fromStdString(dir.write("fw.bin", fwtest::ImageBytes(10000))));
    PaintCounter counter;
    bar()->installEventFilter(&counter);
    int afterRequest = -1;
    int beforeStore = -1;
    paintingClock.onSleep = [&](uint32_t ms) {
        if (ms == firmware::kBeforeDataWaitMs) {
            afterRequest = counter.paints;
        }
    };
    paintingClock.onSleepStart = [&](uint32_t) {
        if (beforeStore < 0 && text(kMessage).startsWith("Storing")) {
            beforeStore = counter.paints;
        }
    };

    update();
    bar()->removeEventFilter(&counter);

    // Three chunks, each painted at once although no wait comes between them.
    ASSERT_GE(afterRequest, 0);
    EXPECT_GE(beforeStore - afterRequest, 3);
}

} // namespace fwup_page_test
