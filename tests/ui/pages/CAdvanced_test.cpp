#include "pages/CAdvanced.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>

#include "protocol/system_setup.h"
#include "protocol/system_status.h"
#include "qt_page_fixture.h"
#include "templates/advanced_template.h"

namespace advanced_page_test {

using namespace advanced_ids;

// Offsets of the status block (answer byte 10 + d, set request byte 9 + d).
constexpr int kNumberD = 0;
constexpr int kIdD = 20;
constexpr int kLanguageD = 41;
constexpr int kPowerSaveD = 42;
constexpr int kSpeakerD = 49;
constexpr int kRingerD = 50;
constexpr int kKeySoundD = 51;
constexpr int kTollSaverD = 53;
constexpr int kStartD = 54;
constexpr int kEndD = 60;
constexpr int kPrefixD = 66;
constexpr int kEcmD = 72;

void PutText(sim::StatusBlock& block, int d, int width, const std::string& text) {
    for (int i = 0; i < width; ++i) {
        block[d + i] = i < static_cast<int>(text.size()) ? static_cast<uint8_t>(text[i]) : 0;
    }
}

void PutDateTime(sim::StatusBlock& block, int d, int year, int month, int day, int hour,
                 int minute) {
    const int bytes[] = {month, day, year >> 8, year & 0xFF, hour, minute};
    for (int i = 0; i < 6; ++i) {
        block[d + i] = static_cast<uint8_t>(bytes[i]);
    }
}

// A machine block unlike the defaults.
sim::StatusBlock MachineBlock() {
    sim::StatusBlock block{};
    PutText(block, kNumberD, 20, "+49 30 1234567");
    PutText(block, kIdD, 20, "OFFICE 2");
    block[40] = 1;          // 24-hour clock
    block[kLanguageD] = 4;  // German
    block[kPowerSaveD] = 2; // 10 minutes
    block[43] = 0x11;
    block[47] = 0x55;
    block[48] = 1; // USB fast
    block[kSpeakerD] = 2;
    block[kRingerD] = 3;
    block[52] = 1; // alarm sound
    block[kTollSaverD] = 1;
    PutDateTime(block, kStartD, 2005, 3, 4, 21, 30);
    PutDateTime(block, kEndD, 2006, 11, 12, 6, 5);
    PutText(block, kPrefixD, 5, "0");
    block[71] = 1;
    block[kEcmD] = 1;
    return block;
}

class AdvancedPageTest : public PageTest {
  protected:
    void Open(const sim::StatusBlock& block = MachineBlock()) {
        machine().setStatusBlock(block);
        page = std::make_unique<CAdvanced>(panelContext);
        ShowActive(*page);
    }
    CFilterEdit* Field(int id) { return page->Control<CFilterEdit>(id); }
    QComboBox* List(int id) { return page->Control<QComboBox>(id); }
    QRadioButton* Radio(int id) { return page->Control<QRadioButton>(id); }
    QCheckBox* Box(int id) { return page->Control<QCheckBox>(id); }
    QDateEdit* Date(int id) { return page->Control<QDateEdit>(id); }
    QTimeEdit* Time(int id) { return page->Control<QTimeEdit>(id); }
    QPushButton* Button(int id) { return page->Control<QPushButton>(id); }
    std::vector<uint8_t> ApplyAndSent() {
        return ClickAndSent(Button(kApply), sim::Command::SetStatus);
    }
    // Types one character as the keyboard delivers it.
    static void TypeChar(QWidget* field, const QString& character) {
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, character, Qt::NoModifier);
    }
    static std::vector<uint8_t> Part(const std::vector<uint8_t>& block, int d, int n) {
        return {block.begin() + d, block.begin() + d + n};
    }

    std::unique_ptr<CAdvanced> page;
};

TEST_F(AdvancedPageTest, FirstShowingReadsTheMachineAndShowsEveryValue) {
    Open();
    EXPECT_EQ(machine().commandLog(), std::vector<sim::Command>{sim::Command::GetStatus});
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(Field(kMachineNumber)->text(), "+49 30 1234567");
    EXPECT_EQ(Field(kMachineId)->text(), "OFFICE 2");
    EXPECT_EQ(Field(kPrefixDial)->text(), "0");
    const std::pair<int, const char*> lists[] = {{kSpeaker, "COM"},       {kRinger, "HIGH"},
                                                 {kUsbMode, "FAST"},      {kLanguage, "German"},
                                                 {kClockMode, "24 hour"}, {kMinutes, "10"}};
    for (const auto& [id, text] : lists) {
        EXPECT_EQ(List(id)->currentText(), text) << id;
    }
    EXPECT_TRUE(Radio(kPowerSaveOn)->isChecked());
    EXPECT_TRUE(Box(kAlarmSound)->isChecked());
    EXPECT_FALSE(Box(kKeySound)->isChecked());
    EXPECT_TRUE(Box(kStampReceiverName)->isChecked());
    EXPECT_TRUE(Box(kEcmMode)->isChecked());
    EXPECT_TRUE(Radio(kTollSaverOn)->isChecked());
    EXPECT_EQ(Date(kStartDate)->date(), QDate(2005, 3, 4));
    EXPECT_EQ(Date(kEndDate)->date(), QDate(2006, 11, 12));
    EXPECT_EQ(Time(kEndTime)->time(), QTime(6, 5));
    // The machine counts 24 hours.
    EXPECT_EQ(Time(kStartTime)->text(), "21:30");
    EXPECT_EQ(Date(kStartDate)->minimumDate(), QDate(1990, 1, 1));
    EXPECT_TRUE(Date(kStartDate)->displayFormat().contains("yyyy"));
    EXPECT_EQ(Date(kEndDate)->maximumDate(), QDate(2089, 12, 31));
}

TEST_F(AdvancedPageTest, EveryLanguageNamesEveryTextAndAMissingKeyKeepsItsPlace) {
    for (const QString language : {"en", "de", "fr"}) {
        SCOPED_TRACE(language.toStdString());
        UseLanguageOf(language.toStdString());
        Open();
        ExpectEveryTextSet(*page);
    }
    UseLanguage(LanguageFileText("en", {}, {"LANGUAGE_ITEM_2", "IDL_START"}));
    Open();
    EXPECT_EQ(page->Control<QLabel>(kMachineIdLabel)->text(), "Machine ID:");
    EXPECT_EQ(page->Control<QLabel>(kStartLabel)->text(), "");
    ASSERT_EQ(List(kLanguage)->count(), 9);
    EXPECT_EQ(List(kLanguage)->itemText(2), "");
    EXPECT_EQ(List(kLanguage)->itemText(8), "Danish");
    // The minutes list keeps its own items.
    ASSERT_EQ(List(kMinutes)->count(), 5);
    EXPECT_EQ(List(kMinutes)->itemText(4), "45");
}

TEST_F(AdvancedPageTest, ApplyRightAfterRefreshSendsBackTheBlockRead) {
    Open();
    ApplyAndSent();
    std::vector<uint8_t> expected = {0x1B, 0xA4, 0x00, 0x4E, 0x50, 0xE0, 0x82, 0xC2, 0x40};
    const sim::StatusBlock block = MachineBlock();
    expected.insert(expected.end(), block.begin(), block.end());
    const auto sets = Requests(sim::Command::SetStatus);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0], expected);
    EXPECT_TRUE(desk.messageBoxes.empty());
}

TEST_F(AdvancedPageTest, SilentMachineAtFirstShowingShowsTheDefaults) {
    machine().setFault(sim::Command::GetStatus, sim::Fault{.silent = true});
    Open();
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.messageBoxes[0].icon, desktop::Icon::Error);
    EXPECT_TRUE(Radio(kPowerSaveOn)->isChecked());
    EXPECT_EQ(List(kMinutes)->currentText(), "15");
    EXPECT_TRUE(Radio(kTollSaverOn)->isChecked());
    for (int id : {kStartDate, kEndDate}) {
        EXPECT_EQ(Date(id)->date(), QDate(2002, 10, 10));
    }
    for (int id : {kStartTime, kEndTime}) {
        EXPECT_EQ(Time(id)->text(), "10:10 AM");
    }
    EXPECT_EQ(List(kSpeaker)->currentIndex(), 1);
    EXPECT_EQ(List(kRinger)->currentIndex(), 1);
    EXPECT_TRUE(Box(kAlarmSound)->isChecked());
    EXPECT_TRUE(Box(kKeySound)->isChecked());
}

TEST_F(AdvancedPageTest, LanguageCodesElevenAndThreeBothShowTheFourthItem) {
    sim::StatusBlock block = MachineBlock();
    block[kLanguageD] = 11;
    Open(block);
    EXPECT_EQ(List(kLanguage)->currentIndex(), 3);
    EXPECT_EQ(ApplyAndSent()[kLanguageD], 11);

    block[kLanguageD] = 3;
    Open(block);
    EXPECT_EQ(List(kLanguage)->currentIndex(), 3);
    EXPECT_EQ(ApplyAndSent()[kLanguageD], 11);
    Choose(List(kLanguage), 7);
    EXPECT_EQ(panelContext.records.systemStatus.language, 12);
}

TEST_F(AdvancedPageTest, PowerSaveOffAndOnWithFiveMinutes) {
    sim::StatusBlock block = MachineBlock();
    block[kPowerSaveD] = 4;
    Open(block);
    EXPECT_TRUE(Radio(kPowerSaveOn)->isChecked());
    EXPECT_EQ(List(kMinutes)->currentText(), "30");

    ClickButton(Radio(kPowerSaveOff));
    EXPECT_FALSE(List(kMinutes)->isEnabled());
    EXPECT_EQ(ApplyAndSent()[kPowerSaveD], 0);

    ClickButton(Radio(kPowerSaveOn));
    EXPECT_TRUE(List(kMinutes)->isEnabled());
    Choose(List(kMinutes), 0);
    EXPECT_EQ(List(kMinutes)->currentText(), "5");
    EXPECT_EQ(ApplyAndSent()[kPowerSaveD], 1);

    // A machine with power save off leaves the minutes as they were shown.
    block[kPowerSaveD] = 0;
    machine().setStatusBlock(block);
    QTest::mouseClick(Button(kRefresh), Qt::LeftButton);
    EXPECT_TRUE(Radio(kPowerSaveOff)->isChecked());
    EXPECT_EQ(List(kMinutes)->currentText(), "5");
}

TEST_F(AdvancedPageTest, TollSaverOffDisablesThePickersAndStillSendsTheirPeriod) {
    sim::StatusBlock block = MachineBlock();
    block[kTollSaverD] = 0;
    Open(block);
    EXPECT_TRUE(Radio(kTollSaverOff)->isChecked());
    for (int id : {kStartDate, kStartTime, kEndDate, kEndTime}) {
        EXPECT_FALSE(page->GetDlgItem(id)->isEnabled()) << id;
    }
    const auto sent = ApplyAndSent();
    EXPECT_EQ(sent[kTollSaverD], 0);
    EXPECT_EQ(Part(sent, kStartD, 12),
              (std::vector<uint8_t>(block.begin() + kStartD, block.begin() + kStartD + 12)));

    ClickButton(Radio(kTollSaverOn));
    for (int id : {kStartDate, kStartTime, kEndDate, kEndTime}) {
        EXPECT_TRUE(page->GetDlgItem(id)->isEnabled()) << id;
    }
    // The pair reaches the record only with Apply, even a failed one.
    EXPECT_EQ(panelContext.records.systemStatus.tollSaver, 0);
    machine().setFault(sim::Command::SetStatus, sim::Fault{.acceptWriteBytes = 10});
    QTest::mouseClick(Button(kApply), Qt::LeftButton);
    EXPECT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(panelContext.records.systemStatus.tollSaver, 1);
}

TEST_F(AdvancedPageTest, PickersSendTheirPeriodAndKeepItWhenTheMachineDateIsRefused) {
    Open();
    Date(kEndDate)->setDate(QDate(2030, 1, 2));
    Time(kEndTime)->setTime(QTime(23, 59));
    EXPECT_EQ(Part(ApplyAndSent(), kEndD, 6), (std::vector<uint8_t>{1, 2, 0x07, 0xEE, 23, 59}));

    sim::StatusBlock block = MachineBlock();
    PutDateTime(block, kStartD, 2010, 0, 5, 7, 8);
    PutDateTime(block, kEndD, 2010, 2, 31, 7, 8);
    machine().setStatusBlock(block);
    QTest::mouseClick(Button(kRefresh), Qt::LeftButton);
    EXPECT_EQ(panelContext.records.systemStatus.tollSaverStart.month, 0);
    EXPECT_EQ(Date(kStartDate)->date(), QDate(2005, 3, 4));
    EXPECT_EQ(Date(kEndDate)->date(), QDate(2030, 1, 2));
    EXPECT_EQ(Part(ApplyAndSent(), kStartD, 6), (std::vector<uint8_t>{3, 4, 0x07, 0xD5, 21, 30}));
}

TEST_F(AdvancedPageTest, TypedMachineIdBecomesCapitalsDigitFieldsRefuseLetters) {
    Open();
    TypeInto(Field(kMachineId), "abc");
    EXPECT_EQ(Field(kMachineId)->text(), "ABC");
    EXPECT_EQ(Field(kMachineId)->cursorPosition(), 3);
    EXPECT_FALSE(Field(kMachineId)->hasSelectedText());
    Field(kMachineId)->setCursorPosition(1);
    QTest::keyClicks(Field(kMachineId), "x");
    EXPECT_EQ(Field(kMachineId)->text(), "AXBC");
    EXPECT_EQ(Field(kMachineId)->cursorPosition(), 2);
    EXPECT_EQ(desk.beeps, 0);

    TypeInto(Field(kMachineNumber), "12+3a");
    EXPECT_EQ(Field(kMachineNumber)->text(), "12+3");
    TypeInto(Field(kPrefixDial), "9 x1");
    EXPECT_EQ(Field(kPrefixDial)->text(), "9 1");
    EXPECT_EQ(desk.beeps, 2);
    const auto sent = ApplyAndSent();
    EXPECT_EQ(Part(sent, kIdD, 5), (std::vector<uint8_t>{'A', 'X', 'B', 'C', 0}));
    EXPECT_EQ(Part(sent, kNumberD, 5), (std::vector<uint8_t>{'1', '2', '+', '3', 0}));
    EXPECT_EQ(Part(sent, kPrefixD, 5), (std::vector<uint8_t>{'9', ' ', '1', 0, 0}));
}

TEST_F(AdvancedPageTest, AccentedLetterIsRemovedAgainWithABeep) {
    for (int id : {kMachineNumber, kMachineId, kPrefixDial}) {
        SCOPED_TRACE(id);
        desk.beeps = 0;
        Open();
        CFilterEdit* field = Field(id);
        const QString before = field->text();
        QTest::mouseClick(field, Qt::LeftButton);
        // The caret stays after the place of the removed letter: the repair
        // moves it back only by what it removed from the text before typing.
        field->setCursorPosition(0);
        TypeChar(field, QString::fromUtf8("\u00e9"));
        EXPECT_EQ(field->text(), before);
        EXPECT_EQ(field->cursorPosition(), 1);
        EXPECT_EQ(desk.beeps, 1);
        TypeChar(field, "7");
        EXPECT_FALSE(field->NonAsciiTyped());
        EXPECT_EQ(field->text().size(), before.size() + 1);
    }
}

TEST_F(AdvancedPageTest, RepairOfAnAccentedLetterKeepsOtherChangesAndTakesTheMachines) {
    sim::StatusBlock block = MachineBlock();
    PutText(block, kIdD, 20, "M\xDCLLER");
    Open(block);
    EXPECT_EQ(Field(kMachineId)->text(), QString::fromUtf8("M\u00dcLLER"));
    ClickButton(Box(kEcmMode));
    ASSERT_FALSE(Box(kEcmMode)->isChecked());
    QTest::mouseClick(Field(kMachineId), Qt::LeftButton);
    Field(kMachineId)->setCursorPosition(2);
    TypeChar(Field(kMachineId), QString::fromUtf8("\u00e9"));
    // Every letter of 0x80 or above goes, and the caret moves back by those.
    EXPECT_EQ(Field(kMachineId)->text(), "MLLER");
    EXPECT_EQ(Field(kMachineId)->cursorPosition(), 2);
    EXPECT_FALSE(Box(kEcmMode)->isChecked());
    EXPECT_EQ(ApplyAndSent()[kEcmD], 0);
}

TEST_F(AdvancedPageTest, TrailingBlanksAreStrippedAndSentBackAsZeros) {
    sim::StatusBlock block = MachineBlock();
    PutText(block, kIdD, 20, "ABC                 ");
    Open(block);
    EXPECT_EQ(Field(kMachineId)->text(), "ABC");
    std::vector<uint8_t> expected = {'A', 'B', 'C'};
    expected.resize(20, 0);
    EXPECT_EQ(Part(ApplyAndSent(), kIdD, 20), expected);
}

TEST_F(AdvancedPageTest, ListAndCheckChangesReachTheRecordAndValuesOutsideListsSurvive) {
    sim::StatusBlock block = MachineBlock();
    block[kSpeakerD] = 7;
    block[kLanguageD] = 9;
    block[kPowerSaveD] = 8;
    Open(block);
    EXPECT_EQ(List(kSpeaker)->currentIndex(), -1);
    EXPECT_EQ(List(kLanguage)->currentIndex(), -1);
    EXPECT_EQ(List(kMinutes)->currentIndex(), -1);
    Choose(List(kRinger), 0);
    EXPECT_EQ(panelContext.records.systemStatus.ringer, 0);
    ClickButton(Box(kKeySound));
    EXPECT_EQ(panelContext.records.systemStatus.keySound, 1);
    // ECM mode has no handler: it waits for Apply.
    ClickButton(Box(kEcmMode));
    EXPECT_EQ(panelContext.records.systemStatus.ecmMode, 1);

    const auto sent = ApplyAndSent();
    EXPECT_EQ(Part(sent, kSpeakerD, 3), (std::vector<uint8_t>{7, 0, 1}));
    EXPECT_EQ(sent[kLanguageD], 9);
    EXPECT_EQ(sent[kPowerSaveD], 8);
    EXPECT_EQ(sent[kKeySoundD], 1);
    EXPECT_EQ(sent[kEcmD], 0);
}

// A settings answer that came too late stays in the machine until the next
// exchange drops it: the page then shows the machine's own block, and Apply
// with no edit sends that block back unchanged.
TEST_F(AdvancedPageTest, ALateSettingsAnswerNeitherShowsNorWritesGarbage) {
    machine().setStatusBlock(MachineBlock());
    machine().setFault(sim::Command::GetSetup, sim::Fault{.lateMs = 5000, .times = 1});
    EXPECT_EQ(Mfp_GetSettings(panelContext.link, panelContext.records.systemSetup), 0);
    clock.sleep(10000);

    Open();
    EXPECT_TRUE(desk.messageBoxes.empty());
    const sim::StatusBlock held = machine().statusBlock();
    EXPECT_EQ(ApplyAndSent(), std::vector<uint8_t>(held.begin(), held.end()));
    EXPECT_EQ(machine().statusBlock(), held);
}

// Hours as the machine's clock mode on the page counts them (24 hours: the
// first showing), in every language, and again when the user picks the other.
TEST_F(AdvancedPageTest, TimePickersCountHoursAsTheClockModeSays) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Portugal)); // long own marks
    sim::StatusBlock block = MachineBlock();
    block[40] = 0;
    Open(block);
    for (int id : {kStartTime, kEndTime}) {
        auto* picker = page->Control<QTimeEdit>(id);
        EXPECT_EQ(picker->displayFormat(), "hh:mm AP");
        // The text leaves room for the arrows.
        EXPECT_LE(picker->fontMetrics().horizontalAdvance(picker->text()), picker->width() - 20);
    }
    List(kClockMode)->setCurrentIndex(1);
    EXPECT_EQ(page->Control<QTimeEdit>(kEndTime)->displayFormat(), "HH:mm");
}

} // namespace advanced_page_test
