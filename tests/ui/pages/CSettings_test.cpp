#include "pages/CSettings.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "protocol/system_setup.h"
#include "qt_page_fixture.h"
#include "templates/settings_template.h"

namespace settings_page_test {

using namespace settings_ids;

// Offsets of the setup block (answer byte 10 + d, set request byte 9 + d).
constexpr int kTrayD = 2;
constexpr int kBypassD = 4;
constexpr int kContrastD = 7;
constexpr int kZoomD = 9;
constexpr int kRingD = 16;
constexpr int kIntervalD = 17;
constexpr int kAutoJournalD = 20;

// A machine block unlike the defaults, with every carried byte set.
sim::SetupBlock MachineBlock() {
    return {0xA1, 0xB2, 2, 0xC3, 1,    3, 12, 2, 0, 0x01, 0x2C,
            0x00, 0x05, 3, 0,    0x5D, 4, 6,  9, 1, 0,    1};
}

class SettingsPageTest : public PageTest {
  protected:
    void Open(const sim::SetupBlock& block = MachineBlock()) {
        machine().setSetupBlock(block);
        page = std::make_unique<CSettings>(panelContext);
        ShowActive(*page);
    }
    QLineEdit* Edit(int id) { return page->Control<QLineEdit>(id); }
    QComboBox* List(int id) { return page->Control<QComboBox>(id); }
    QCheckBox* Box(int id) { return page->Control<QCheckBox>(id); }
    QScrollBar* Arrows(int id) { return page->Control<QScrollBar>(id); }
    QPushButton* Button(int id) { return page->Control<QPushButton>(id); }
    std::vector<uint8_t> ApplyAndSent() {
        return ClickAndSent(Button(kApply), sim::Command::SetSetup);
    }

    std::unique_ptr<CSettings> page;
};

TEST_F(SettingsPageTest, FirstShowingReadsTheMachineAndShowsEveryValue) {
    Open();
    EXPECT_EQ(machine().commandLog(), std::vector<sim::Command>{sim::Command::GetSetup});
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(desk.waitCursorShown, 1);
    EXPECT_EQ(desk.waitCursorDepth, 0);

    EXPECT_EQ(List(kTrayPaperSize)->currentText(), "A4");
    EXPECT_EQ(List(kBypassPaperSize)->currentText(), "Legal");
    EXPECT_EQ(List(kBypassPaperType)->currentText(), "Card stock");
    EXPECT_EQ(List(kPrintTimeOut)->currentText(), "60 sec");
    EXPECT_EQ(List(kSendingConfirm)->currentText(), "On");
    const std::pair<int, const char*> numbers[] = {{kDiscardSize, "12"},   {kZoom, "300"},
                                                   {kCopies, "5"},         {kRingCount, "4"},
                                                   {kRedialInterval, "6"}, {kRedialCount, "9"}};
    for (const auto& [id, text] : numbers) {
        EXPECT_EQ(Edit(id)->text(), text) << id;
    }
    EXPECT_TRUE(Box(kRxReduction)->isChecked());
    EXPECT_FALSE(Box(kAutoJournal)->isChecked());
    // The hidden lists carry their values too.
    EXPECT_FALSE(List(kContrast)->isVisible());
    EXPECT_EQ(List(kContrast)->currentIndex(), 2);
    EXPECT_EQ(List(kDocumentMode)->currentIndex(), 0);
    EXPECT_EQ(List(kReceiveMode)->currentIndex(), 0);
}

TEST_F(SettingsPageTest, EveryLanguageNamesEveryTextAndAMissingKeyKeepsItsPlace) {
    for (const QString language : {"en", "de", "fr"}) {
        SCOPED_TRACE(language.toStdString());
        UseLanguageOf(language.toStdString());
        Open();
        ExpectEveryTextSet(*page);
    }
    UseLanguage(LanguageFileText("en", {}, {"Legal", "IDL_ZOOM"}));
    Open();
    EXPECT_EQ(page->Control<QLabel>(kRingCountLabel)->text(), "Rings to answer:");
    EXPECT_EQ(page->Control<QLabel>(kZoomLabel)->text(), "");
    ASSERT_EQ(List(kTrayPaperSize)->count(), 8);
    EXPECT_EQ(List(kTrayPaperSize)->itemText(1), "");
    EXPECT_EQ(List(kTrayPaperSize)->itemText(7), "A6");
    EXPECT_EQ(List(kBypassPaperType)->count(), 10);
}

TEST_F(SettingsPageTest, SilentMachineAtFirstShowingLeavesTheInitialTexts) {
    machine().setFault(sim::Command::GetSetup, sim::Fault{.silent = true});
    Open();
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.messageBoxes[0].icon, desktop::Icon::Error);
    EXPECT_EQ(desk.messageBoxes[0].text.toStdString(),
              std::string(GetLangString("COMMON", "IDS_NOT_RESPOND")));
    for (int id :
         {kTrayPaperSize, kBypassPaperSize, kBypassPaperType, kSendingConfirm, kPrintTimeOut}) {
        EXPECT_EQ(List(id)->currentIndex(), -1) << id;
    }
    for (int id : {kDiscardSize, kRingCount, kRedialInterval, kRedialCount}) {
        EXPECT_EQ(Edit(id)->text(), "") << id;
    }
    EXPECT_EQ(Edit(kZoom)->text(), "100");
    EXPECT_EQ(Edit(kCopies)->text(), "1");
}

TEST_F(SettingsPageTest, FailedRefreshAndApplyShowNotRespondingAndKeepWhatIsShown) {
    Open();
    machine().setFault(sim::Command::GetSetup, sim::Fault{.silent = true});
    QTest::mouseClick(Button(kRefresh), Qt::LeftButton);
    EXPECT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(List(kTrayPaperSize)->currentText(), "A4");
    EXPECT_EQ(Edit(kZoom)->text(), "300");

    machine().setFault(sim::Command::SetSetup, sim::Fault{.acceptWriteBytes = 5});
    QTest::mouseClick(Button(kApply), Qt::LeftButton);
    EXPECT_EQ(desk.messageBoxes.size(), 2u);
    EXPECT_EQ(desk.waitCursorDepth, 0);
}

TEST_F(SettingsPageTest, ApplyRightAfterRefreshSendsBackTheBlockRead) {
    Open();
    ApplyAndSent();
    std::vector<uint8_t> expected = {0x1B, 0xA4, 0x00, 0x1B, 0x50, 0xE0, 0x82, 0xC2, 0x41};
    const sim::SetupBlock block = MachineBlock();
    expected.insert(expected.end(), block.begin(), block.end());
    const auto sets = Requests(sim::Command::SetSetup);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0], expected);
    EXPECT_TRUE(desk.messageBoxes.empty());
}

TEST_F(SettingsPageTest, TypedNumbersAreBroughtIntoRangeWhenTheFieldIsLeft) {
    Open();
    TypeInto(Edit(kRingCount), "50");
    QTest::mouseClick(Edit(kZoom), Qt::LeftButton);
    EXPECT_EQ(Edit(kRingCount)->text(), "7");
    EXPECT_EQ(panelContext.records.systemSetup.ringCount, 7);

    TypeInto(Edit(kRingCount), "0");
    QTest::keyClick(Edit(kRingCount), Qt::Key_Tab);
    EXPECT_EQ(Edit(kRingCount)->text(), "1");

    TypeInto(Edit(kDiscardSize), "");
    QTest::keyClick(Edit(kDiscardSize), Qt::Key_Delete);
    ASSERT_EQ(Edit(kDiscardSize)->text(), "");
    QTest::mouseClick(Edit(kCopies), Qt::LeftButton);
    EXPECT_EQ(Edit(kDiscardSize)->text(), "0");

    // Apply takes the focus from a typed field: the corrected value is sent.
    TypeInto(Edit(kRingCount), "50");
    EXPECT_EQ(ApplyAndSent()[kRingD], 7);
    EXPECT_EQ(Edit(kRingCount)->text(), "7");
}

TEST_F(SettingsPageTest, RedialIntervalIsStoredAtOnceZoomOnlyWhenLeft) {
    Open();
    TypeInto(Edit(kRedialInterval), "12");
    EXPECT_TRUE(Edit(kRedialInterval)->hasFocus());
    EXPECT_EQ(panelContext.records.systemSetup.redialInterval, 12);

    TypeInto(Edit(kZoom), "250");
    EXPECT_EQ(panelContext.records.systemSetup.zoom, 300);
    QTest::mouseClick(Edit(kCopies), Qt::LeftButton);
    EXPECT_EQ(panelContext.records.systemSetup.zoom, 250);
    const auto sent = ApplyAndSent();
    EXPECT_EQ(sent[kIntervalD], 12);
    EXPECT_EQ(sent[kZoomD], 0x00);
    EXPECT_EQ(sent[kZoomD + 1], 0xFA);
}

TEST_F(SettingsPageTest, ArrowsStepTheirFieldAndStopOnlyAtTheLimitAhead) {
    sim::SetupBlock block = MachineBlock();
    block[kZoomD] = 0x01;
    block[kZoomD + 1] = 0x90; // 400
    Open(block);
    ClickArrow(Arrows(kZoomArrows), true);
    EXPECT_EQ(Edit(kZoom)->text(), "400");

    block[kZoomD] = 0x00;
    block[kZoomD + 1] = 25;
    machine().setSetupBlock(block);
    QTest::mouseClick(Button(kRefresh), Qt::LeftButton);
    ClickArrow(Arrows(kZoomArrows), false);
    EXPECT_EQ(Edit(kZoom)->text(), "25");

    TypeInto(Edit(kZoom), "10");
    ClickArrow(Arrows(kZoomArrows), true);
    EXPECT_EQ(Edit(kZoom)->text(), "11");
    EXPECT_EQ(panelContext.records.systemSetup.zoom, 11);

    // An arrow selects its field's text and moves the focus there.
    ClickArrow(Arrows(kRingCountArrows), false);
    EXPECT_TRUE(Edit(kRingCount)->hasFocus());
    EXPECT_EQ(Edit(kRingCount)->selectedText(), "3");
    EXPECT_EQ(panelContext.records.systemSetup.ringCount, 3);
    ClickArrow(Arrows(kDiscardSizeArrows), true);
    ClickArrow(Arrows(kRedialIntervalArrows), true);
    ClickArrow(Arrows(kRedialCountArrows), true);
    EXPECT_EQ(Edit(kDiscardSize)->text(), "13");
    EXPECT_EQ(Edit(kRedialInterval)->text(), "7");
    EXPECT_EQ(Edit(kRedialCount)->text(), "10");
    // The arrows keep working however often they are clicked.
    for (int i = 0; i < 120; ++i) {
        ClickArrow(Arrows(kCopiesArrows), true);
    }
    EXPECT_EQ(Edit(kCopies)->text(), "99");
    ClickArrow(Arrows(kCopiesArrows), false);
    EXPECT_EQ(panelContext.records.systemSetup.copies, 98);
}

TEST_F(SettingsPageTest, MachineValueOutsideAListSurvivesOtherChangesAndApply) {
    sim::SetupBlock block = MachineBlock();
    block[kTrayD] = 9;
    block[kContrastD] = 0;
    Open(block);
    EXPECT_EQ(List(kTrayPaperSize)->currentIndex(), -1);

    ClickButton(Box(kAutoJournal));
    Choose(List(kBypassPaperSize), 5);
    TypeInto(Edit(kRedialCount), "2");
    EXPECT_EQ(panelContext.records.systemSetup.trayPaperSize, 9);
    EXPECT_EQ(panelContext.records.systemSetup.bypassPaperSize, 5);

    const auto sent = ApplyAndSent();
    EXPECT_EQ(sent[kTrayD], 9);
    EXPECT_EQ(sent[kAutoJournalD], 1);
    EXPECT_EQ(sent[kBypassD], 5);
    EXPECT_EQ(sent[kContrastD], 0);
}

TEST_F(SettingsPageTest, GrayedCheckStateTravelsAndOtherValuesShowCleared) {
    sim::SetupBlock block = MachineBlock();
    block[kAutoJournalD] = 2;
    block[kAutoJournalD + 1] = 7;
    Open(block);
    EXPECT_EQ(Box(kAutoJournal)->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(Box(kRxReduction)->checkState(), Qt::Unchecked);
    Choose(List(kTrayPaperSize), 1);
    EXPECT_EQ(panelContext.records.systemSetup.autoJournal, 2);
    EXPECT_EQ(panelContext.records.systemSetup.rxReduction, 0);
    ClickButton(Box(kAutoJournal));
    EXPECT_EQ(panelContext.records.systemSetup.autoJournal, 1);
    ClickButton(Box(kAutoJournal));
    EXPECT_EQ(panelContext.records.systemSetup.autoJournal, 0);
}

} // namespace settings_page_test
