#include "pages/CAdvanced.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <algorithm>

#include "app/panel.h"
#include "base/qt_desktop.h"
#include "base/qt_not_responding.h"
#include "model/advanced_codes.h"
#include "model/lang_text.h"
#include "pages/qt_page_values.h"
#include "protocol/exchange.h"
#include "protocol/phonebook.h"
#include "protocol/system_status.h"
#include "templates/advanced_template.h"
#include "widgets/CFilterEdit.h"

using namespace advanced_ids;
using namespace advanced_codes;

namespace {

constexpr const char* kSection = "ADVANCED";
constexpr uint32_t kCommandPauseMs = 500;

const QDate kFirstDate(1990, 1, 1);
const QDate kLastDate(2089, 12, 31);

// Text fields with their record field, its width and their filter.
struct TextBinding {
    int id;
    char* field;
    std::size_t width;
    int filterMode;
};
std::array<TextBinding, CAdvanced::kTextCount> TextBindings() {
    return {{
        {kMachineNumber, panelContext.records.systemStatus.machineNumber,
         sizeof panelContext.records.systemStatus.machineNumber - 1, 1},
        {kMachineId, panelContext.records.systemStatus.machineId,
         sizeof panelContext.records.systemStatus.machineId - 1, 2},
        {kPrefixDial, panelContext.records.systemStatus.prefixDial,
         sizeof panelContext.records.systemStatus.prefixDial - 1, 1},
    }};
}

// Lists in page-value order; language and minutes have their own mapping.
constexpr std::array<int, CAdvanced::kListCount> kListIds = {kSpeaker,  kRinger,    kUsbMode,
                                                             kLanguage, kClockMode, kMinutes};
enum ListIndex {
    kSpeakerIndex,
    kRingerIndex,
    kUsbIndex,
    kLanguageIndex,
    kClockIndex,
    kMinutesIndex
};

struct CheckBinding {
    int id;
    uint8_t SystemStatus::*field;
};
constexpr std::array<CheckBinding, CAdvanced::kCheckCount> kChecks = {{
    {kAlarmSound, &SystemStatus::alarmSound},
    {kKeySound, &SystemStatus::keySound},
    {kStampReceiverName, &SystemStatus::stampReceiverName},
    {kEcmMode, &SystemStatus::ecmMode},
}};

struct TextKey {
    int id;
    const char* key;
};
constexpr TextKey kTexts[] = {
    {kMachineNumberLabel, "IDL_MACHINE_NUMBER"},
    {kMachineIdLabel, "IDL_MACHINE_ID"},
    {kPrefixDialLabel, "IDL_PREFIX_DIAL"},
    {kSpeakerLabel, "IDL_SPEAKER"},
    {kRingerLabel, "IDL_RINGER"},
    {kTollSaverBox, "IDL_TOLL_SAVER"},
    {kTollSaverOff, "IDC_TOLL_SAVER_OFF"},
    {kTollSaverOn, "IDC_TOLL_SAVER_ON"},
    {kStartLabel, "IDL_START"},
    {kEndLabel, "IDL_END"},
    {kUsbModeLabel, "IDL_USB_MODE"},
    {kLanguageLabel, "IDL_LANGUAGE"},
    {kClockModeLabel, "IDL_CLOCK_MODE"},
    {kPowerSaveBox, "IDL_POWER_SAVE"},
    {kPowerSaveOff, "IDC_POWER_SAVE_OFF"},
    {kPowerSaveOn, "IDC_POWER_SAVE_ON"},
    {kMinutesUnit, "IDL_MINUTES"},
    {kAlarmSound, "IDC_ALARM_SOUND"},
    {kKeySound, "IDC_KEY_SOUND"},
    {kStampReceiverName, "IDC_STAMP_RCV_NAME"},
    {kEcmMode, "IDC_ECM_MODE"},
    {kRefresh, "IDC_REFRESH"},
    {kApply, "IDC_APPLY"},
};

struct ListItems {
    int id;
    const char* prefix;
    int count;
};
constexpr ListItems kItems[] = {
    {kSpeaker, "SPEAKER_ITEM_", 3},      {kRinger, "RINGER_ITEM_", 4},
    {kUsbMode, "USB_MODE_ITEM_", 2},     {kLanguage, "LANGUAGE_ITEM_", kLanguageItems},
    {kClockMode, "CLOCK_MODE_ITEM_", 2},
};

QString LangText(const std::string& key) {
    return QString::fromUtf8(GetLangString(kSection, key));
}

// Where the caret or the selection starts.
int SelectionStart(const QLineEdit* edit) {
    return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

// A radio pair: 0 the Off button, 1 the On button, -1 neither.
void SetRadioPair(QAbstractButton* off, QAbstractButton* on, int value) {
    if (off == nullptr || on == nullptr) {
        return;
    }
    QButtonGroup* group = off->group();
    const bool exclusive = group != nullptr && group->exclusive();
    if (exclusive) {
        group->setExclusive(false);
    }
    const bool autoExclusive = off->autoExclusive();
    off->setAutoExclusive(false);
    on->setAutoExclusive(false);
    off->setChecked(value == 0);
    on->setChecked(value == 1);
    off->setAutoExclusive(autoExclusive);
    on->setAutoExclusive(autoExclusive);
    if (exclusive) {
        group->setExclusive(true);
    }
}

int RadioPairOf(const QAbstractButton* off, const QAbstractButton* on, int previous) {
    if (off == nullptr || on == nullptr) {
        return previous;
    }
    if (off->isChecked()) {
        return 0;
    }
    return on->isChecked() ? 1 : -1;
}

} // namespace

CAdvanced::CAdvanced(QWidget* parent)
    : CPropertyPage(advancedTemplate, {.section = "ADVANCED", .key = "CAPTION", .image = 1},
                    parent) {
    listPositions_.fill(0);
    listPositions_[kMinutesIndex] = 3;
    checkStates_.fill(0);
}

QString* CAdvanced::TextValue(int fieldId) {
    const auto bindings = TextBindings();
    for (int i = 0; i < kTextCount; ++i) {
        if (bindings[i].id == fieldId) {
            return &texts_[i];
        }
    }
    return nullptr;
}

void CAdvanced::OnInitDialog() {
    CPropertyPage::OnInitDialog();

    for (const auto& text : TextBindings()) {
        auto* edit = Control<CFilterEdit>(text.id);
        if (edit == nullptr) {
            continue;
        }
        edit->setMaxLength(static_cast<int>(text.width));
        edit->filterMode = text.filterMode;
        const int id = text.id;
        connect(edit, &QLineEdit::textChanged, this, [this, id] { OnTextChange(id); });
    }
    for (int id : {kStartDate, kEndDate}) {
        if (auto* date = Control<QDateEdit>(id)) {
            date->setDateRange(kFirstDate, kLastDate);
            // The short date with the whole year: a two-digit year cannot
            // name both ends of the range.
            QString format = date->displayFormat();
            if (!format.contains(QStringLiteral("yyyy"))) {
                format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
                date->setDisplayFormat(format);
            }
        }
    }
    LoadTexts();

    for (int id : kListIds) {
        if (auto* combo = Control<QComboBox>(id)) {
            connect(combo, &QComboBox::currentIndexChanged, this, [this] { OnControlChange(); });
        }
    }
    for (int id : {kAlarmSound, kKeySound, kStampReceiverName}) {
        if (auto* box = Control<QCheckBox>(id)) {
            connect(box, &QCheckBox::clicked, this, [this] { OnControlChange(); });
        }
    }
    for (int id : {kTollSaverOff, kTollSaverOn}) {
        if (auto* radio = Control<QRadioButton>(id)) {
            connect(radio, &QRadioButton::clicked, this, [this] { OnTollSaverClick(); });
        }
    }
    for (int id : {kPowerSaveOff, kPowerSaveOn}) {
        if (auto* radio = Control<QRadioButton>(id)) {
            connect(radio, &QRadioButton::clicked, this, [this] { OnPowerSaveClick(); });
        }
    }
    if (auto* refresh = Control<QPushButton>(kRefresh)) {
        connect(refresh, &QPushButton::clicked, this, [this] { OnRefresh(); });
    }
    if (auto* apply = Control<QPushButton>(kApply)) {
        connect(apply, &QPushButton::clicked, this, [this] { OnApply(); });
    }

    OnRefresh();
    ShowRecordState();
}

QString CAdvanced::UnreadText() const {
    return LangText("NOT_READ");
}

QList<int> CAdvanced::SendControls() const {
    return {kApply};
}

void CAdvanced::ExchangeValues(Exchange direction) {
    const auto bindings = TextBindings();
    for (int i = 0; i < kTextCount; ++i) {
        ExchangeText(Control<QLineEdit>(bindings[i].id), texts_[i], direction);
    }
    for (int i = 0; i < kListCount; ++i) {
        ExchangeListPosition(Control<QComboBox>(kListIds[i]), listPositions_[i], direction);
    }
    for (int i = 0; i < kCheckCount; ++i) {
        ExchangeCheckState(Control<QCheckBox>(kChecks[i].id), checkStates_[i], direction);
    }
    auto* tollOff = Control<QAbstractButton>(kTollSaverOff);
    auto* tollOn = Control<QAbstractButton>(kTollSaverOn);
    auto* powerOff = Control<QAbstractButton>(kPowerSaveOff);
    auto* powerOn = Control<QAbstractButton>(kPowerSaveOn);
    if (direction == Exchange::ToControls) {
        SetRadioPair(tollOff, tollOn, tollSaver_);
        SetRadioPair(powerOff, powerOn, powerSave_);
    } else {
        tollSaver_ = RadioPairOf(tollOff, tollOn, tollSaver_);
        powerSave_ = RadioPairOf(powerOff, powerOn, powerSave_);
    }
}

void CAdvanced::LoadTexts() {
    for (const auto& text : kTexts) {
        SetDlgItemText(text.id, LangText(text.key));
    }
    for (const auto& list : kItems) {
        auto* combo = Control<QComboBox>(list.id);
        if (combo == nullptr) {
            continue;
        }
        // Refilling a list is no selection change of the user's.
        const QSignalBlocker block(combo);
        combo->clear();
        for (int i = 0; i < list.count; ++i) {
            combo->addItem(LangText(list.prefix + std::to_string(i)));
        }
        combo->setCurrentIndex(-1);
    }
}

void CAdvanced::OnRefresh() {
    int ok = 0;
    {
        const desktop::WaitCursorScope wait;
        ok = Mfp_GetSystemStatus(panelContext.link, panelContext.records.systemStatus);
        PauseMs(kCommandPauseMs);
    }
    if (!ok) {
        ShowNotResponding(BoxOwner());
    }
    if (ok) {
        NoteRecordRead();
    }
    // A failed read left the record as it was; the page shows it all the same.
    ShowRecord();
}

void CAdvanced::ShowRecord() {
    ShowValues();
    if (IsInitialised()) {
        sent_ = CurrentValues();
    }
}

void CAdvanced::ShowLoadedSettings() {
    ShowValues();
}

bool CAdvanced::PrepareSettingsRecord() {
    if (!ReadRecordOnce()) {
        return false;
    }
    StoreAll();
    return true;
}

void CAdvanced::ShowValues() {
    listPositions_[kRingerIndex] = panelContext.records.systemStatus.ringer;
    listPositions_[kSpeakerIndex] = panelContext.records.systemStatus.speaker;
    listPositions_[kClockIndex] = panelContext.records.systemStatus.clockMode;
    listPositions_[kLanguageIndex] = LanguagePosition(panelContext.records.systemStatus.language);
    listPositions_[kUsbIndex] = panelContext.records.systemStatus.usbMode;
    const PowerSaveView power = PowerSaveFromRecord(panelContext.records.systemStatus.powerSave);
    powerSave_ = power.pair;
    if (!power.keepMinutes) {
        listPositions_[kMinutesIndex] = power.minutes;
    }
    for (int i = 0; i < kCheckCount; ++i) {
        checkStates_[i] = panelContext.records.systemStatus.*kChecks[i].field;
    }
    tollSaver_ = panelContext.records.systemStatus.tollSaver <= 1
                     ? panelContext.records.systemStatus.tollSaver
                     : -1;
    const auto bindings = TextBindings();
    for (int i = 0; i < kTextCount; ++i) {
        // Trailing blanks leave the record itself, so the next Apply sends zeros.
        texts_[i] = QString::fromLatin1(TrimRight(bindings[i].field));
    }
    if (!IsInitialised()) {
        return;
    }
    UpdateData(Exchange::ToControls);

    ShowDateTime(kStartDate, kStartTime, panelContext.records.systemStatus.tollSaverStart);
    ShowDateTime(kEndDate, kEndTime, panelContext.records.systemStatus.tollSaverEnd);
    ShowTimeFormat();
    OnTollSaverClick();
    OnPowerSaveClick();
}

CAdvanced::Values CAdvanced::CurrentValues() {
    UpdateData(Exchange::FromControls);
    Values values{texts_, listPositions_, checkStates_, tollSaver_, powerSave_, {}};
    int i = 0;
    for (int id : {kStartDate, kStartTime, kEndDate, kEndTime}) {
        if (auto* picker = Control<QDateTimeEdit>(id)) {
            values.period[i] = picker->dateTime().toString(Qt::ISODate);
        }
        ++i;
    }
    return values;
}

bool CAdvanced::HasUnsentChanges() {
    return IsInitialised() && RecordRead() && CurrentValues() != sent_;
}

bool CAdvanced::SendChanges() {
    if (!MaySend()) {
        return false;
    }
    OnApply();
    return !HasUnsentChanges();
}

void CAdvanced::ShowDateTime(int dateId, int timeId, const StatusDateTime& value) {
    const QDate date(value.year, value.month, value.day);
    const QTime time(value.hour, value.minute, 0);
    // A date-time the pickers do not accept leaves them showing what they did.
    if (!date.isValid() || !time.isValid()) {
        return;
    }
    auto* datePicker = Control<QDateEdit>(dateId);
    if (datePicker != nullptr && date >= datePicker->minimumDate() &&
        date <= datePicker->maximumDate()) {
        datePicker->setDate(date);
    }
    if (auto* timePicker = Control<QTimeEdit>(timeId)) {
        timePicker->setTime(time);
    }
}

void CAdvanced::StoreDateTime(int dateId, int timeId, StatusDateTime& value) const {
    if (auto* datePicker = Control<QDateEdit>(dateId)) {
        const QDate date = datePicker->date();
        value.year = static_cast<uint16_t>(date.year());
        value.month = static_cast<uint8_t>(date.month());
        value.day = static_cast<uint8_t>(date.day());
    }
    if (auto* timePicker = Control<QTimeEdit>(timeId)) {
        const QTime time = timePicker->time();
        value.hour = static_cast<uint8_t>(time.hour());
        value.minute = static_cast<uint8_t>(time.minute());
    }
}

void CAdvanced::StoreControls() {
    // A list without a selection names no value: the record keeps its own.
    const auto storeList = [this](ListIndex index, uint8_t& field) {
        if (listPositions_[index] >= 0) {
            field = static_cast<uint8_t>(listPositions_[index]);
        }
    };
    storeList(kSpeakerIndex, panelContext.records.systemStatus.speaker);
    storeList(kRingerIndex, panelContext.records.systemStatus.ringer);
    if (listPositions_[kLanguageIndex] >= 0) {
        panelContext.records.systemStatus.language = LanguageCode(listPositions_[kLanguageIndex]);
    }
    storeList(kUsbIndex, panelContext.records.systemStatus.usbMode);
    storeList(kClockIndex, panelContext.records.systemStatus.clockMode);
    for (int i = 0; i < kCheckCount; ++i) {
        panelContext.records.systemStatus.*kChecks[i].field = static_cast<uint8_t>(checkStates_[i]);
    }
    PowerSaveToRecord(powerSave_, listPositions_[kMinutesIndex],
                      panelContext.records.systemStatus.powerSave);
    const auto bindings = TextBindings();
    for (int i = 0; i < kTextCount; ++i) {
        const QByteArray bytes = texts_[i].toLatin1();
        StoreText(bindings[i].field, bindings[i].width,
                  std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
}

void CAdvanced::StoreAll() {
    UpdateData(Exchange::FromControls);
    StoreControls();
    if (tollSaver_ == 0 || tollSaver_ == 1) {
        panelContext.records.systemStatus.tollSaver = static_cast<uint8_t>(tollSaver_);
    }
    // The period is sent even while the toll saver is off.
    StoreDateTime(kStartDate, kStartTime, panelContext.records.systemStatus.tollSaverStart);
    StoreDateTime(kEndDate, kEndTime, panelContext.records.systemStatus.tollSaverEnd);
}

void CAdvanced::OnApply() {
    if (!MaySend()) {
        return;
    }
    StoreAll();
    int ok = 0;
    {
        const desktop::WaitCursorScope wait;
        ok = Mfp_SetSystemStatus(panelContext.link, panelContext.records.systemStatus);
        PauseMs(kCommandPauseMs);
    }
    if (!ok) {
        ShowNotResponding(BoxOwner());
        return;
    }
    NoteRecordRead();
    sent_ = CurrentValues();
    if (PageHost* host = Host()) {
        host->ShowStatus(LangText("SENT"));
    }
}

void CAdvanced::OnControlChange() {
    UpdateData(Exchange::FromControls);
    StoreControls();
    ShowTimeFormat();
}

// Hours the way the machine's clock mode on this page counts them, in every
// language; AM and PM as two letters, which fit the picker.
void CAdvanced::ShowTimeFormat() {
    const int mode = listPositions_[kClockIndex];
    const bool hours24 = mode >= 0 ? mode == 1 : panelContext.records.systemStatus.clockMode == 1;
    for (int id : {kStartTime, kEndTime}) {
        if (auto* time = Control<QTimeEdit>(id)) {
            time->setLocale(QLocale::c());
            time->setDisplayFormat(hours24 ? QStringLiteral("HH:mm") : QStringLiteral("hh:mm AP"));
        }
    }
}

void CAdvanced::OnTollSaverClick() {
    UpdateData(Exchange::FromControls);
    if (tollSaver_ != 0 && tollSaver_ != 1) {
        return;
    }
    for (int id : {kStartDate, kStartTime, kEndDate, kEndTime}) {
        if (QWidget* picker = GetDlgItem(id)) {
            picker->setEnabled(tollSaver_ == 1);
        }
    }
}

void CAdvanced::OnPowerSaveClick() {
    UpdateData(Exchange::FromControls);
    if (powerSave_ != 0 && powerSave_ != 1) {
        return;
    }
    if (QWidget* minutes = GetDlgItem(kMinutes)) {
        minutes->setEnabled(powerSave_ == 1);
    }
}

void CAdvanced::OnTextChange(int fieldId) {
    auto* edit = Control<QLineEdit>(fieldId);
    QString* stored = TextValue(fieldId);
    if (edit == nullptr || stored == nullptr) {
        return;
    }
    if (nonAsciiTyped) {
        // Put back the text from before the change, without any character
        // outside 7-bit ASCII. The other controls are read first so that a
        // change without a handler of its own (ECM mode) is not undone.
        const int start = SelectionStart(edit);
        std::u16string text = stored->toStdU16String();
        const auto removed = static_cast<int>(RemoveNonAscii(text));
        UpdateData(Exchange::FromControls);
        *stored = QString::fromStdU16String(text);
        UpdateData(Exchange::ToControls);
        edit->setCursorPosition(std::max(0, start - removed));
        desktop::MessageBeep();
        return;
    }
    UpdateData(Exchange::FromControls);
    const int start = SelectionStart(edit);
    if (fieldId != kPrefixDial) {
        std::u16string text = stored->toStdU16String();
        UpperAscii(text);
        *stored = QString::fromStdU16String(text);
    }
    UpdateData(Exchange::ToControls);
    edit->setCursorPosition(start);
}
