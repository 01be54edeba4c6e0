#include "pages/CAdvanced.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <algorithm>

#include "desktop/qt_desktop.h"
#include "model/advanced_codes.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "pages/qt_page_values.h"
#include "protocol/exchange.h"
#include "protocol/phonebook.h"
#include "protocol/record_registry.h"
#include "protocol/system_status.h"
#include "templates/advanced_template.h"
#include "widgets/CFilterEdit.h"

using namespace advanced_ids;
using namespace advanced_codes;

namespace {

constexpr const char* kSection = "ADVANCED";

const QDate kFirstDate(1990, 1, 1);
const QDate kLastDate(2089, 12, 31);

// Text fields with their record field, its width and their filter.
struct TextBinding {
    int id;
    char* field;
    std::size_t width;
    int filterMode;
};
std::array<TextBinding, CAdvanced::kTextCount> TextBindings(SystemStatus& status) {
    return {{
        {kMachineNumber, status.machineNumber, sizeof status.machineNumber - 1, 1},
        {kMachineId, status.machineId, sizeof status.machineId - 1, 2},
        {kPrefixDial, status.prefixDial, sizeof status.prefixDial - 1, 1},
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

bool CAdvanced::ExistsFor(int machineClass) {
    return RecordExistsFor("status", machineClass);
}

CAdvanced::CAdvanced(PanelContext& context, QWidget* parent)
    : CRecordPage(advancedTemplate, kTab, kRefresh, kApply, parent), link_(context.link),
      systemStatus_(context.records.systemStatus) {
    listPositions_.fill(0);
    listPositions_[kMinutesIndex] = 3;
    checkStates_.fill(0);
}

QString* CAdvanced::TextValue(int fieldId) {
    const auto bindings = TextBindings(systemStatus_);
    for (int i = 0; i < kTextCount; ++i) {
        if (bindings[i].id == fieldId) {
            return &texts_[i];
        }
    }
    return nullptr;
}

void CAdvanced::SetUpControls() {
    for (const auto& text : TextBindings(systemStatus_)) {
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
}

void CAdvanced::ExchangeValues(Exchange direction) {
    const auto bindings = TextBindings(systemStatus_);
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

bool CAdvanced::ReadRecord() {
    return Mfp_GetSystemStatus(link_, systemStatus_) != 0;
}

bool CAdvanced::WriteRecord() {
    return Mfp_SetSystemStatus(link_, systemStatus_) != 0;
}

bool CAdvanced::PrepareSettingsRecord() {
    if (!ReadRecordOnce()) {
        return false;
    }
    StoreAll();
    return true;
}

void CAdvanced::ShowValues() {
    listPositions_[kRingerIndex] = systemStatus_.ringer;
    listPositions_[kSpeakerIndex] = systemStatus_.speaker;
    listPositions_[kClockIndex] = systemStatus_.clockMode;
    listPositions_[kLanguageIndex] = LanguagePosition(systemStatus_.language);
    listPositions_[kUsbIndex] = systemStatus_.usbMode;
    const PowerSaveView power = PowerSaveFromRecord(systemStatus_.powerSave);
    powerSave_ = power.pair;
    if (!power.keepMinutes) {
        listPositions_[kMinutesIndex] = power.minutes;
    }
    for (int i = 0; i < kCheckCount; ++i) {
        checkStates_[i] = systemStatus_.*kChecks[i].field;
    }
    tollSaver_ = systemStatus_.tollSaver <= 1 ? systemStatus_.tollSaver : -1;
    const auto bindings = TextBindings(systemStatus_);
    for (int i = 0; i < kTextCount; ++i) {
        // Trailing blanks leave the record itself, so the next Apply sends zeros.
        texts_[i] = QString::fromLatin1(TrimRight(bindings[i].field));
    }
    if (!IsInitialised()) {
        return;
    }
    UpdateData(Exchange::ToControls);

    ShowDateTime(kStartDate, kStartTime, systemStatus_.tollSaverStart);
    ShowDateTime(kEndDate, kEndTime, systemStatus_.tollSaverEnd);
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
    storeList(kSpeakerIndex, systemStatus_.speaker);
    storeList(kRingerIndex, systemStatus_.ringer);
    if (listPositions_[kLanguageIndex] >= 0) {
        systemStatus_.language = LanguageCode(listPositions_[kLanguageIndex]);
    }
    storeList(kUsbIndex, systemStatus_.usbMode);
    storeList(kClockIndex, systemStatus_.clockMode);
    for (int i = 0; i < kCheckCount; ++i) {
        systemStatus_.*kChecks[i].field = static_cast<uint8_t>(checkStates_[i]);
    }
    PowerSaveToRecord(powerSave_, listPositions_[kMinutesIndex], systemStatus_.powerSave);
    const auto bindings = TextBindings(systemStatus_);
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
        systemStatus_.tollSaver = static_cast<uint8_t>(tollSaver_);
    }
    // The period is sent even while the toll saver is off.
    StoreDateTime(kStartDate, kStartTime, systemStatus_.tollSaverStart);
    StoreDateTime(kEndDate, kEndTime, systemStatus_.tollSaverEnd);
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
    const bool hours24 = mode >= 0 ? mode == 1 : systemStatus_.clockMode == 1;
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
    auto* edit = Control<CFilterEdit>(fieldId);
    QString* stored = TextValue(fieldId);
    if (edit == nullptr || stored == nullptr) {
        return;
    }
    if (edit->NonAsciiTyped()) {
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
