#include "pages/CSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "protocol/system_setup.h"
#include "resources/settings_template.h"
#include "qt_page_fixture.h"

using namespace settings_ids;

namespace {

// Offsets of the setup block (answer byte 10 + d, set request byte 9 + d).
constexpr int kTrayD = 2;
constexpr int kContrastD = 7;
constexpr int kZoomD = 9;
constexpr int kRingD = 16;
constexpr int kIntervalD = 17;
constexpr int kAutoJournalD = 20;

// A machine block unlike the defaults, with every carried byte set.
sim::SetupBlock MachineBlock() {
    return {0xA1, 0xB2, 2, 0xC3, 1, 3, 12, 2, 0, 0x01, 0x2C, 0x00, 0x05,
            3,    0,    0x5D, 4, 6, 9, 1, 0, 1};
}

std::vector<uint8_t> DataOf(const std::vector<uint8_t>& setRequest) {
    return {setRequest.begin() + 9, setRequest.end()};
}

} // namespace

class SettingsPageTest : public PageTest {
protected:
    // Builds and initialises the page with the machine holding `block`.
    void Open(const sim::SetupBlock& block) {
        machine().setSetupBlock(block);
        Open();
    }
    void Open() {
        page = std::make_unique<CSettings>();
        ShowActive(*page);
        page->EnsureInitialised();
    }
    QLineEdit* Edit(int id) { return page->Control<QLineEdit>(id); }
    QComboBox* List(int id) { return page->Control<QComboBox>(id); }
    QScrollBar* Arrows(int id) { return page->Control<QScrollBar>(id); }
    // Applies and returns the data block of the set request sent.
    std::vector<uint8_t> ApplyAndSent() {
        machine().clearLog();
        QTest::mouseClick(page->Control<QPushButton>(kApply), Qt::LeftButton);
        const auto sets = Requests(sim::Command::SetSetup);
        EXPECT_EQ(sets.size(), 1u);
        return sets.empty() ? std::vector<uint8_t>{} : DataOf(sets.back());
    }

    std::unique_ptr<CSettings> page;
};

TEST_F(SettingsPageTest, FirstShowingReadsTheMachineAndShowsEveryValue) {
    Open(MachineBlock());
    EXPECT_EQ(machine().commandLog(), std::vector<sim::Command>{sim::Command::GetSetup});
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(desk.waitCursorShown, 1);
    EXPECT_EQ(desk.waitCursorDepth, 0);

    EXPECT_EQ(List(kTrayPaperSize)->currentText(), "A4");
    EXPECT_EQ(List(kBypassPaperSize)->currentText(), "Legal");
    EXPECT_EQ(List(kBypassPaperType)->currentText(), "Card stock");
    EXPECT_EQ(List(kPrintTimeOut)->currentText(), "60 sec");
    EXPECT_EQ(List(kSendingConfirm)->currentText(), "On-Error");
    EXPECT_EQ(Edit(kDiscardSize)->text(), "12");
    EXPECT_EQ(Edit(kZoom)->text(), "300");
    EXPECT_EQ(Edit(kCopies)->text(), "5");
    EXPECT_EQ(Edit(kRingCount)->text(), "4");
    EXPECT_EQ(Edit(kRedialInterval)->text(), "6");
    EXPECT_EQ(Edit(kRedialCount)->text(), "9");
    EXPECT_TRUE(page->Control<QCheckBox>(kRxReduction)->isChecked());
    EXPECT_FALSE(page->Control<QCheckBox>(kAutoJournal)->isChecked());
}

TEST_F(SettingsPageTest, TextsAndListItemsComeFromTheLanguageFile) {
    languageFilePath = dir.write("short.lng", PageLanguageFile({"Legal", "IDL_ZOOM"}));
    Open(MachineBlock());
    EXPECT_EQ(page->Control<QLabel>(kTrayPaperSizeLabel)->text(), "Tray paper size:");
    EXPECT_EQ(page->Control<QLabel>(kRingCountLabel)->text(), "Rings to answer:");
    EXPECT_EQ(page->Control<QPushButton>(kRefresh)->text(), "&Refresh");
    // A missing key empties its text but the item keeps its place.
    EXPECT_EQ(page->Control<QLabel>(kZoomLabel)->text(), "");
    ASSERT_EQ(List(kTrayPaperSize)->count(), 8);
    EXPECT_EQ(List(kTrayPaperSize)->itemText(1), "");
    EXPECT_EQ(List(kTrayPaperSize)->itemText(7), "A6");
    EXPECT_EQ(List(kBypassPaperType)->count(), 10);
    EXPECT_EQ(List(kBypassPaperType)->itemText(0), "Plain paper");
    EXPECT_EQ(List(kPrintTimeOut)->count(), 5);
    EXPECT_EQ(List(kReceiveMode)->count(), 2);
}

TEST_F(SettingsPageTest, SilentMachineAtFirstShowingLeavesTheInitialTexts) {
    machine().setFault(sim::Command::GetSetup, sim::Fault{.silent = true});
    Open();
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.messageBoxes[0].icon, desktop::Icon::Error);
    EXPECT_EQ(desk.messageBoxes[0].text.toStdString(),
              std::string(GetLangString("COMMON", "IDS_NOT_RESPOND")));
    for (int id : {kTrayPaperSize, kBypassPaperSize, kBypassPaperType, kSendingConfirm,
                   kPrintTimeOut}) {
        EXPECT_EQ(List(id)->currentIndex(), -1) << id;
    }
    EXPECT_EQ(Edit(kDiscardSize)->text(), "");
    EXPECT_EQ(Edit(kRingCount)->text(), "");
    EXPECT_EQ(Edit(kRedialInterval)->text(), "");
    EXPECT_EQ(Edit(kRedialCount)->text(), "");
    EXPECT_EQ(Edit(kZoom)->text(), "100");
    EXPECT_EQ(Edit(kCopies)->text(), "1");
}

TEST_F(SettingsPageTest, ApplyRightAfterRefreshSendsBackTheBlockRead) {
    Open(MachineBlock());
    const sim::SetupBlock block = MachineBlock();
    EXPECT_EQ(ApplyAndSent(), std::vector<uint8_t>(block.begin(), block.end()));
    EXPECT_TRUE(desk.messageBoxes.empty());
}

TEST_F(SettingsPageTest, FailedApplyShowsNotRespondingOnce) {
    Open(MachineBlock());
    machine().setFault(sim::Command::SetSetup, sim::Fault{.acceptWriteBytes = 5});
    QTest::mouseClick(page->Control<QPushButton>(kApply), Qt::LeftButton);
    EXPECT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.waitCursorDepth, 0);
}

TEST_F(SettingsPageTest, FailedRefreshKeepsWhatTheControlsShowed) {
    Open(MachineBlock());
    machine().setFault(sim::Command::GetSetup, sim::Fault{.silent = true});
    QTest::mouseClick(page->Control<QPushButton>(kRefresh), Qt::LeftButton);
    EXPECT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(List(kTrayPaperSize)->currentText(), "A4");
    EXPECT_EQ(Edit(kZoom)->text(), "300");
}

TEST_F(SettingsPageTest, RingsTypedOutOfRangeAreCorrectedWhenTheFieldIsLeft) {
    Open(MachineBlock());
    TypeInto(Edit(kRingCount), "50");
    QTest::mouseClick(Edit(kZoom), Qt::LeftButton);
    EXPECT_EQ(Edit(kRingCount)->text(), "7");
    EXPECT_EQ(systemSetup.ringCount, 7);

    TypeInto(Edit(kRingCount), "0");
    QTest::keyClick(Edit(kRingCount), Qt::Key_Tab);
    EXPECT_EQ(Edit(kRingCount)->text(), "1");
    EXPECT_EQ(systemSetup.ringCount, 1);
    EXPECT_EQ(ApplyAndSent()[kRingD], 1);
}

TEST_F(SettingsPageTest, ClickingApplyStraightFromATypedFieldSendsTheCorrectedValue) {
    Open(MachineBlock());
    TypeInto(Edit(kRingCount), "50");
    EXPECT_EQ(ApplyAndSent()[kRingD], 7);
    EXPECT_EQ(Edit(kRingCount)->text(), "7");
}

TEST_F(SettingsPageTest, EmptyDiscardSizeShowsZeroAfterLeavingIt) {
    Open(MachineBlock());
    TypeInto(Edit(kDiscardSize), "");
    QTest::keyClick(Edit(kDiscardSize), Qt::Key_Delete);
    ASSERT_EQ(Edit(kDiscardSize)->text(), "");
    QTest::mouseClick(Edit(kCopies), Qt::LeftButton);
    EXPECT_EQ(Edit(kDiscardSize)->text(), "0");
    EXPECT_EQ(systemSetup.discardSize, 0);
}

TEST_F(SettingsPageTest, RedialIntervalIsStoredAtOnceZoomOnlyWhenLeft) {
    Open(MachineBlock());
    TypeInto(Edit(kRedialInterval), "12");
    EXPECT_TRUE(Edit(kRedialInterval)->hasFocus());
    EXPECT_EQ(systemSetup.redialInterval, 12);

    TypeInto(Edit(kZoom), "250");
    EXPECT_EQ(systemSetup.zoom, 300);
    QTest::mouseClick(Edit(kCopies), Qt::LeftButton);
    EXPECT_EQ(systemSetup.zoom, 250);
    const auto sent = ApplyAndSent();
    EXPECT_EQ(sent[kIntervalD], 12);
    EXPECT_EQ(sent[kZoomD], 0x00);
    EXPECT_EQ(sent[kZoomD + 1], 0xFA);
}

TEST_F(SettingsPageTest, ZoomArrowsStopAtTheLimits) {
    sim::SetupBlock block = MachineBlock();
    block[kZoomD] = 0x01;
    block[kZoomD + 1] = 0x90; // 400
    Open(block);
    ClickArrow(Arrows(kZoomArrows), true);
    EXPECT_EQ(Edit(kZoom)->text(), "400");
    EXPECT_EQ(systemSetup.zoom, 400);

    block[kZoomD] = 0x00;
    block[kZoomD + 1] = 25;
    machine().setSetupBlock(block);
    QTest::mouseClick(page->Control<QPushButton>(kRefresh), Qt::LeftButton);
    ASSERT_EQ(Edit(kZoom)->text(), "25");
    ClickArrow(Arrows(kZoomArrows), false);
    EXPECT_EQ(Edit(kZoom)->text(), "25");
    ClickArrow(Arrows(kZoomArrows), true);
    EXPECT_EQ(Edit(kZoom)->text(), "26");
    EXPECT_EQ(systemSetup.zoom, 26);
}

TEST_F(SettingsPageTest, ArrowUpFromATypedValueBelowTheMinimumOnlyAddsOne) {
    Open(MachineBlock());
    TypeInto(Edit(kZoom), "10");
    ClickArrow(Arrows(kZoomArrows), true);
    EXPECT_EQ(Edit(kZoom)->text(), "11");
    EXPECT_EQ(systemSetup.zoom, 11);
    // The field keeps the focus with its whole text selected.
    EXPECT_TRUE(Edit(kZoom)->hasFocus());
    EXPECT_EQ(Edit(kZoom)->selectedText(), "11");
}

TEST_F(SettingsPageTest, AnArrowClickSelectsItsFieldAndTakesTheFocusThere) {
    Open(MachineBlock());
    QTest::mouseClick(Edit(kCopies), Qt::LeftButton);
    ClickArrow(Arrows(kRingCountArrows), false);
    EXPECT_TRUE(Edit(kRingCount)->hasFocus());
    EXPECT_EQ(Edit(kRingCount)->text(), "3");
    EXPECT_EQ(Edit(kRingCount)->selectedText(), "3");
    EXPECT_EQ(systemSetup.ringCount, 3);

    // Every arrow bar drives its own field.
    ClickArrow(Arrows(kDiscardSizeArrows), true);
    ClickArrow(Arrows(kRedialIntervalArrows), true);
    ClickArrow(Arrows(kRedialCountArrows), true);
    ClickArrow(Arrows(kCopiesArrows), false);
    EXPECT_EQ(Edit(kDiscardSize)->text(), "13");
    EXPECT_EQ(Edit(kRedialInterval)->text(), "7");
    EXPECT_EQ(Edit(kRedialCount)->text(), "10");
    EXPECT_EQ(Edit(kCopies)->text(), "4");
    EXPECT_EQ(systemSetup.copies, 4);
}

TEST_F(SettingsPageTest, ManyArrowClicksKeepWorking) {
    Open(MachineBlock());
    for (int i = 0; i < 120; ++i) {
        ClickArrow(Arrows(kCopiesArrows), true);
    }
    EXPECT_EQ(Edit(kCopies)->text(), "99");
    for (int i = 0; i < 120; ++i) {
        ClickArrow(Arrows(kCopiesArrows), false);
    }
    EXPECT_EQ(Edit(kCopies)->text(), "1");
}

TEST_F(SettingsPageTest, MachineValueOutsideAListSurvivesOtherChangesAndApply) {
    sim::SetupBlock block = MachineBlock();
    block[kTrayD] = 9;
    Open(block);
    EXPECT_EQ(List(kTrayPaperSize)->currentIndex(), -1);

    QTest::mouseClick(page->Control<QCheckBox>(kAutoJournal), Qt::LeftButton);
    Choose(List(kBypassPaperSize), 5);
    TypeInto(Edit(kRedialCount), "2");
    EXPECT_EQ(systemSetup.trayPaperSize, 9);

    const auto sent = ApplyAndSent();
    EXPECT_EQ(sent[kTrayD], 9);
    EXPECT_EQ(sent[kAutoJournalD], 1);
    EXPECT_EQ(sent[4], 5);
}

TEST_F(SettingsPageTest, HiddenListsStillCarryTheirValues) {
    sim::SetupBlock block = MachineBlock();
    block[kContrastD] = 0;
    Open(block);
    EXPECT_FALSE(List(kContrast)->isVisible());
    EXPECT_FALSE(List(kContrast)->isEnabled());
    EXPECT_EQ(List(kContrast)->currentIndex(), 0);
    EXPECT_EQ(List(kReceiveMode)->currentIndex(), 0);
    QTest::mouseClick(page->Control<QCheckBox>(kRxReduction), Qt::LeftButton);
    EXPECT_EQ(systemSetup.rxReduction, 0);
    EXPECT_EQ(systemSetup.contrast, 0);
    EXPECT_EQ(ApplyAndSent()[kContrastD], 0);
}

TEST_F(SettingsPageTest, ChosenListItemIsStoredAsItsPosition) {
    Open(MachineBlock());
    Choose(List(kPrintTimeOut), 4);
    EXPECT_EQ(systemSetup.printTimeOut, 4);
    Choose(List(kBypassPaperType), 9);
    EXPECT_EQ(systemSetup.bypassPaperType, 9);
}

TEST_F(SettingsPageTest, GrayedCheckStateTravelsAndOthersShowCleared) {
    sim::SetupBlock block = MachineBlock();
    block[kAutoJournalD] = 2;
    block[21] = 7;
    Open(block);
    EXPECT_EQ(page->Control<QCheckBox>(kAutoJournal)->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(page->Control<QCheckBox>(kRxReduction)->checkState(), Qt::Unchecked);
    Choose(List(kTrayPaperSize), 1);
    EXPECT_EQ(systemSetup.autoJournal, 2);
    EXPECT_EQ(systemSetup.rxReduction, 0);
    // A click on the grayed box ticks it.
    QTest::mouseClick(page->Control<QCheckBox>(kAutoJournal), Qt::LeftButton);
    EXPECT_EQ(systemSetup.autoJournal, 1);
    QTest::mouseClick(page->Control<QCheckBox>(kAutoJournal), Qt::LeftButton);
    EXPECT_EQ(systemSetup.autoJournal, 0);
}
