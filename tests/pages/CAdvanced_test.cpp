#include "pages/CAdvanced.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <cstring>

#include "protocol/system_status.h"
#include "qt_page_fixture.h"
#include "resources/advanced_template.h"

using namespace advanced_ids;

namespace {

// Offsets of the status block (answer byte 10 + d, set request byte 9 + d).
constexpr int kNumberD = 0;
constexpr int kIdD = 20;
constexpr int kLanguageD = 41;
constexpr int kPowerSaveD = 42;
constexpr int kSpeakerD = 49;
constexpr int kRingerD = 50;
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
    block[d] = static_cast<uint8_t>(month);
    block[d + 1] = static_cast<uint8_t>(day);
    block[d + 2] = static_cast<uint8_t>(year >> 8);
    block[d + 3] = static_cast<uint8_t>(year);
    block[d + 4] = static_cast<uint8_t>(hour);
    block[d + 5] = static_cast<uint8_t>(minute);
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
    block[51] = 0; // key sound
    block[52] = 1; // alarm sound
    block[kTollSaverD] = 1;
    PutDateTime(block, kStartD, 2005, 3, 4, 21, 30);
    PutDateTime(block, kEndD, 2006, 11, 12, 6, 5);
    PutText(block, kPrefixD, 5, "0");
    block[71] = 1;
    block[kEcmD] = 1;
    return block;
}

std::vector<uint8_t> DataOf(const std::vector<uint8_t>& setRequest) {
    return {setRequest.begin() + 9, setRequest.end()};
}

} // namespace

class AdvancedPageTest : public PageTest {
protected:
    void Open(const sim::StatusBlock& block) {
        machine().setStatusBlock(block);
        Open();
    }
    void Open() {
        page = std::make_unique<CAdvanced>();
        ShowActive(*page);
        page->EnsureInitialised();
    }
    CFilterEdit* Field(int id) { return page->Control<CFilterEdit>(id); }
    QComboBox* List(int id) { return page->Control<QComboBox>(id); }
    QRadioButton* Radio(int id) { return page->Control<QRadioButton>(id); }
    QCheckBox* Box(int id) { return page->Control<QCheckBox>(id); }
    QDateEdit* Date(int id) { return page->Control<QDateEdit>(id); }
    QTimeEdit* Time(int id) { return page->Control<QTimeEdit>(id); }
    void Refresh() { QTest::mouseClick(page->Control<QPushButton>(kRefresh), Qt::LeftButton); }
    std::vector<uint8_t> ApplyAndSent() {
        machine().clearLog();
        QTest::mouseClick(page->Control<QPushButton>(kApply), Qt::LeftButton);
        const auto sets = Requests(sim::Command::SetStatus);
        EXPECT_EQ(sets.size(), 1u);
        return sets.empty() ? std::vector<uint8_t>{} : DataOf(sets.back());
    }
    // Types one character as the keyboard delivers it.
    static void TypeChar(QWidget* field, const QString& character) {
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, character, Qt::NoModifier);
    }

    std::unique_ptr<CAdvanced> page;
};

TEST_F(AdvancedPageTest, FirstShowingReadsTheMachineAndShowsEveryValue) {
    Open(MachineBlock());
    EXPECT_EQ(machine().commandLog(), std::vector<sim::Command>{sim::Command::GetStatus});
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(Field(kMachineNumber)->text(), "+49 30 1234567");
    EXPECT_EQ(Field(kMachineId)->text(), "OFFICE 2");
    EXPECT_EQ(Field(kPrefixDial)->text(), "0");
    EXPECT_EQ(List(kSpeaker)->currentText(), "COM");
    EXPECT_EQ(List(kRinger)->currentText(), "HIGH");
    EXPECT_EQ(List(kUsbMode)->currentText(), "FAST");
    EXPECT_EQ(List(kLanguage)->currentText(), "German");
    EXPECT_EQ(List(kClockMode)->currentText(), "24 hour");
    EXPECT_TRUE(Radio(kPowerSaveOn)->isChecked());
    EXPECT_EQ(List(kMinutes)->currentText(), "10");
    EXPECT_TRUE(Box(kAlarmSound)->isChecked());
    EXPECT_FALSE(Box(kKeySound)->isChecked());
    EXPECT_TRUE(Box(kStampReceiverName)->isChecked());
    EXPECT_TRUE(Box(kEcmMode)->isChecked());
    EXPECT_TRUE(Radio(kTollSaverOn)->isChecked());
    EXPECT_EQ(Date(kStartDate)->date(), QDate(2005, 3, 4));
    EXPECT_EQ(Time(kStartTime)->time(), QTime(21, 30));
    EXPECT_EQ(Date(kEndDate)->date(), QDate(2006, 11, 12));
    EXPECT_EQ(Time(kEndTime)->time(), QTime(6, 5));
    EXPECT_EQ(Time(kStartTime)->displayFormat(), "hh:mm AP");
    EXPECT_EQ(Time(kStartTime)->text(), "09:30 PM");
    EXPECT_EQ(Date(kStartDate)->minimumDate(), QDate(1990, 1, 1));
    EXPECT_EQ(Date(kEndDate)->maximumDate(), QDate(2089, 12, 31));
}

TEST_F(AdvancedPageTest, TextsAndListItemsComeFromTheLanguageFile) {
    languageFilePath = dir.write("short.lng", PageLanguageFile({"LANGUAGE_ITEM_2", "IDL_START"}));
    Open(MachineBlock());
    EXPECT_EQ(page->Control<QLabel>(kMachineIdLabel)->text(), "Machine ID:");
    EXPECT_EQ(page->Control<QGroupBox>(kTollSaverBox)->title(), "Toll saver");
    EXPECT_EQ(Radio(kPowerSaveOff)->text(), "Off");
    EXPECT_EQ(page->Control<QLabel>(kStartLabel)->text(), "");
    ASSERT_EQ(List(kLanguage)->count(), 9);
    EXPECT_EQ(List(kLanguage)->itemText(2), "");
    EXPECT_EQ(List(kLanguage)->itemText(8), "Danish");
    EXPECT_EQ(List(kRinger)->count(), 4);
    // The minutes list keeps its own items.
    ASSERT_EQ(List(kMinutes)->count(), 5);
    EXPECT_EQ(List(kMinutes)->itemText(4), "45");
}

TEST_F(AdvancedPageTest, ApplyRightAfterRefreshSendsBackTheBlockRead) {
    Open(MachineBlock());
    const sim::StatusBlock block = MachineBlock();
    EXPECT_EQ(ApplyAndSent(), std::vector<uint8_t>(block.begin(), block.end()));
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
    EXPECT_EQ(Field(kMachineId)->text(), "");
}

TEST_F(AdvancedPageTest, LanguageElevenShowsTheFourthItemAndIsSentBack) {
    sim::StatusBlock block = MachineBlock();
    block[kLanguageD] = 11;
    Open(block);
    EXPECT_EQ(List(kLanguage)->currentIndex(), 3);
    EXPECT_EQ(ApplyAndSent()[kLanguageD], 11);
}

TEST_F(AdvancedPageTest, LanguageThreeAlsoShowsTheFourthItemAndBecomesEleven) {
    sim::StatusBlock block = MachineBlock();
    block[kLanguageD] = 3;
    Open(block);
    EXPECT_EQ(List(kLanguage)->currentIndex(), 3);
    EXPECT_EQ(ApplyAndSent()[kLanguageD], 11);
    Choose(List(kLanguage), 7);
    EXPECT_EQ(systemStatus.language, 12);
}

TEST_F(AdvancedPageTest, PowerSaveOffAndOnWithFiveMinutes) {
    sim::StatusBlock block = MachineBlock();
    block[kPowerSaveD] = 4;
    Open(block);
    EXPECT_TRUE(Radio(kPowerSaveOn)->isChecked());
    EXPECT_EQ(List(kMinutes)->currentText(), "30");
    EXPECT_TRUE(List(kMinutes)->isEnabled());

    QTest::mouseClick(Radio(kPowerSaveOff), Qt::LeftButton);
    EXPECT_FALSE(List(kMinutes)->isEnabled());
    EXPECT_EQ(ApplyAndSent()[kPowerSaveD], 0);

    QTest::mouseClick(Radio(kPowerSaveOn), Qt::LeftButton);
    EXPECT_TRUE(List(kMinutes)->isEnabled());
    Choose(List(kMinutes), 0);
    EXPECT_EQ(List(kMinutes)->currentText(), "5");
    EXPECT_EQ(ApplyAndSent()[kPowerSaveD], 1);
}

TEST_F(AdvancedPageTest, PowerSaveOffKeepsTheMinutesShown) {
    sim::StatusBlock block = MachineBlock();
    Open(block);
    ASSERT_EQ(List(kMinutes)->currentText(), "10");
    block[kPowerSaveD] = 0;
    machine().setStatusBlock(block);
    Refresh();
    EXPECT_TRUE(Radio(kPowerSaveOff)->isChecked());
    EXPECT_FALSE(List(kMinutes)->isEnabled());
    EXPECT_EQ(List(kMinutes)->currentText(), "10");
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
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + kStartD, sent.begin() + kEndD + 6),
              std::vector<uint8_t>(block.begin() + kStartD, block.begin() + kEndD + 6));

    QTest::mouseClick(Radio(kTollSaverOn), Qt::LeftButton);
    for (int id : {kStartDate, kStartTime, kEndDate, kEndTime}) {
        EXPECT_TRUE(page->GetDlgItem(id)->isEnabled()) << id;
    }
    // The pair reaches the record only with Apply.
    EXPECT_EQ(systemStatus.tollSaver, 0);
    EXPECT_EQ(ApplyAndSent()[kTollSaverD], 1);
}

TEST_F(AdvancedPageTest, PickerChangesAreSentWithApply) {
    Open(MachineBlock());
    Date(kEndDate)->setDate(QDate(2030, 1, 2));
    Time(kEndTime)->setTime(QTime(23, 59));
    const auto sent = ApplyAndSent();
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + kEndD, sent.begin() + kEndD + 6),
              (std::vector<uint8_t>{1, 2, 0x07, 0xEE, 23, 59}));
}

TEST_F(AdvancedPageTest, DateThePickerRefusesLeavesThePreviousOneAndApplySendsIt) {
    Open(MachineBlock());
    sim::StatusBlock block = MachineBlock();
    PutDateTime(block, kStartD, 2010, 0, 5, 7, 8);
    PutDateTime(block, kEndD, 2010, 2, 31, 7, 8);
    machine().setStatusBlock(block);
    Refresh();
    EXPECT_EQ(systemStatus.tollSaverStart.month, 0);
    EXPECT_EQ(Date(kStartDate)->date(), QDate(2005, 3, 4));
    EXPECT_EQ(Time(kStartTime)->time(), QTime(21, 30));
    EXPECT_EQ(Date(kEndDate)->date(), QDate(2006, 11, 12));
    const auto sent = ApplyAndSent();
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + kStartD, sent.begin() + kStartD + 6),
              (std::vector<uint8_t>{3, 4, 0x07, 0xD5, 21, 30}));
}

TEST_F(AdvancedPageTest, TypedMachineIdLettersBecomeCapitalsWithTheCaretAfterThem) {
    Open(MachineBlock());
    TypeInto(Field(kMachineId), "abc");
    EXPECT_EQ(Field(kMachineId)->text(), "ABC");
    EXPECT_EQ(Field(kMachineId)->cursorPosition(), 3);
    EXPECT_FALSE(Field(kMachineId)->hasSelectedText());
    EXPECT_EQ(desk.beeps, 0);

    // Typed in the middle, the caret stays after the new letter.
    Field(kMachineId)->setCursorPosition(1);
    QTest::keyClicks(Field(kMachineId), "x");
    EXPECT_EQ(Field(kMachineId)->text(), "AXBC");
    EXPECT_EQ(Field(kMachineId)->cursorPosition(), 2);
    EXPECT_EQ(std::string(systemStatus.machineId), "OFFICE 2");
    EXPECT_EQ(ApplyAndSent()[kIdD + 1], 'X');
}

TEST_F(AdvancedPageTest, MachineNumberIsUpperCasedPrefixDialIsNot) {
    Open(MachineBlock());
    TypeInto(Field(kMachineNumber), "12+3");
    EXPECT_EQ(Field(kMachineNumber)->text(), "12+3");
    TypeInto(Field(kPrefixDial), "9 1");
    EXPECT_EQ(Field(kPrefixDial)->text(), "9 1");
    const auto sent = ApplyAndSent();
    EXPECT_EQ(std::string(sent.begin() + kNumberD, sent.begin() + kNumberD + 5),
              std::string("12+3\0", 5));
    EXPECT_EQ(std::string(sent.begin() + kPrefixD, sent.begin() + kPrefixD + 5),
              std::string("9 1\0\0", 5));
}

TEST_F(AdvancedPageTest, LettersInTheDigitFieldsBeepAndChangeNothing) {
    Open(MachineBlock());
    TypeInto(Field(kMachineNumber), "12", false);
    const QString number = Field(kMachineNumber)->text();
    QTest::keyClicks(Field(kMachineNumber), "a");
    EXPECT_EQ(Field(kMachineNumber)->text(), number);
    EXPECT_EQ(desk.beeps, 1);

    TypeInto(Field(kPrefixDial), "x", false);
    EXPECT_EQ(Field(kPrefixDial)->text(), "0");
    EXPECT_EQ(desk.beeps, 2);
}

TEST_F(AdvancedPageTest, AccentedLetterIsRemovedAgainWithABeep) {
    for (int id : {kMachineNumber, kMachineId, kPrefixDial}) {
        SCOPED_TRACE(id);
        desk.beeps = 0;
        Open(MachineBlock());
        CFilterEdit* field = Field(id);
        const QString before = field->text();
        QTest::mouseClick(field, Qt::LeftButton);
        field->setCursorPosition(1);
        TypeChar(field, QString::fromUtf8("\u00e9"));
        EXPECT_EQ(field->text(), before);
        EXPECT_EQ(field->cursorPosition(), 2);
        EXPECT_EQ(desk.beeps, 1);
        EXPECT_EQ(nonAsciiTyped, 1);
        // The next plain character is taken again.
        TypeChar(field, "7");
        EXPECT_EQ(nonAsciiTyped, 0);
        EXPECT_EQ(field->text().size(), before.size() + 1);
    }
}

TEST_F(AdvancedPageTest, RepairOfAnAccentedLetterKeepsOtherChanges) {
    Open(MachineBlock());
    QTest::mouseClick(Box(kEcmMode), Qt::LeftButton);
    ASSERT_FALSE(Box(kEcmMode)->isChecked());
    QTest::mouseClick(Field(kMachineId), Qt::LeftButton);
    TypeChar(Field(kMachineId), QString::fromUtf8("\u00fc"));
    EXPECT_FALSE(Box(kEcmMode)->isChecked());
    EXPECT_EQ(ApplyAndSent()[kEcmD], 0);
}

TEST_F(AdvancedPageTest, TrailingBlanksAreStrippedAndSentBackAsZeros) {
    sim::StatusBlock block = MachineBlock();
    PutText(block, kIdD, 20, "ABC                 ");
    Open(block);
    EXPECT_EQ(Field(kMachineId)->text(), "ABC");
    EXPECT_EQ(std::string(systemStatus.machineId), "ABC");
    const auto sent = ApplyAndSent();
    std::vector<uint8_t> expected = {'A', 'B', 'C'};
    expected.resize(20, 0);
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + kIdD, sent.begin() + kIdD + 20), expected);
}

TEST_F(AdvancedPageTest, MachineTextsAreShownAsLatin1) {
    sim::StatusBlock block = MachineBlock();
    PutText(block, kIdD, 20, "M\xDCLLER");
    Open(block);
    EXPECT_EQ(Field(kMachineId)->text(), QString::fromUtf8("M\u00dcLLER"));
    EXPECT_EQ(ApplyAndSent()[kIdD + 1], 0xDC);
}

TEST_F(AdvancedPageTest, ListAndCheckChangesReachTheRecordAtOnce) {
    Open(MachineBlock());
    Choose(List(kRinger), 0);
    EXPECT_EQ(systemStatus.ringer, 0);
    QTest::mouseClick(Box(kKeySound), Qt::LeftButton);
    EXPECT_EQ(systemStatus.keySound, 1);
    // ECM mode has no handler: it waits for Apply.
    QTest::mouseClick(Box(kEcmMode), Qt::LeftButton);
    EXPECT_EQ(systemStatus.ecmMode, 1);
    EXPECT_EQ(ApplyAndSent()[kEcmD], 0);
}

TEST_F(AdvancedPageTest, MachineValuesOutsideTheListsSurviveApply) {
    sim::StatusBlock block = MachineBlock();
    block[kSpeakerD] = 7;
    block[kLanguageD] = 9;
    block[kPowerSaveD] = 8;
    Open(block);
    EXPECT_EQ(List(kSpeaker)->currentIndex(), -1);
    EXPECT_EQ(List(kLanguage)->currentIndex(), -1);
    EXPECT_EQ(List(kMinutes)->currentIndex(), -1);
    Choose(List(kRinger), 1);
    const auto sent = ApplyAndSent();
    EXPECT_EQ(sent[kSpeakerD], 7);
    EXPECT_EQ(sent[kLanguageD], 9);
    EXPECT_EQ(sent[kPowerSaveD], 8);
    EXPECT_EQ(sent[kRingerD], 1);
}

TEST_F(AdvancedPageTest, FailedApplyShowsNotRespondingAndKeepsTheValues) {
    Open(MachineBlock());
    machine().setFault(sim::Command::SetStatus, sim::Fault{.acceptWriteBytes = 10});
    QTest::mouseClick(Radio(kTollSaverOff), Qt::LeftButton);
    QTest::mouseClick(page->Control<QPushButton>(kApply), Qt::LeftButton);
    EXPECT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(systemStatus.tollSaver, 0);
}
