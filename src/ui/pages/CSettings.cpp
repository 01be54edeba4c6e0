#include "pages/CSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>

#include "model/lang_text.h"
#include "model/panel_context.h"
#include "pages/qt_page_values.h"
#include "protocol/exchange.h"
#include "protocol/record_registry.h"
#include "protocol/system_setup.h"
#include "templates/settings_template.h"

using namespace settings_ids;
using namespace settings_numbers;

namespace {

constexpr const char* kSection = "SETTINGS";

// Drop-down lists and the record fields that hold their positions.
struct ListBinding {
    int id;
    uint8_t SystemSetup::*field;
    int initial;
};
constexpr std::array<ListBinding, CSettings::kListCount> kLists = {{
    {kTrayPaperSize, &SystemSetup::trayPaperSize, 0},
    {kBypassPaperSize, &SystemSetup::bypassPaperSize, 0},
    {kBypassPaperType, &SystemSetup::bypassPaperType, 0},
    {kSendingConfirm, &SystemSetup::sendingConfirm, 0},
    {kPrintTimeOut, &SystemSetup::printTimeOut, 0},
    {kReceiveMode, &SystemSetup::receiveMode, 0},
    {kContrast, &SystemSetup::contrast, 1},
    {kDocumentMode, &SystemSetup::documentMode, 0},
}};

struct CheckBinding {
    int id;
    uint8_t SystemSetup::*field;
};
constexpr std::array<CheckBinding, CSettings::kCheckCount> kChecks = {{
    {kAutoJournal, &SystemSetup::autoJournal},
    {kRxReduction, &SystemSetup::rxReduction},
}};

// The numeric fields in the order they are brought into range.
enum NumberIndex { kDiscard, kInterval, kRings, kRedials, kZoomIndex, kCopiesIndex };
struct NumberBinding {
    int id;
    int arrowsId;
    Range range;
};
constexpr std::array<NumberBinding, CSettings::kNumberCount> kNumbers = {{
    {kDiscardSize, kDiscardSizeArrows, settings_numbers::kDiscardSizeRange},
    {kRedialInterval, kRedialIntervalArrows, settings_numbers::kRedialIntervalRange},
    {kRingCount, kRingCountArrows, settings_numbers::kRingCountRange},
    {kRedialCount, kRedialCountArrows, settings_numbers::kRedialCountRange},
    {kZoom, kZoomArrows, settings_numbers::kZoomRange},
    {kCopies, kCopiesArrows, settings_numbers::kCopiesRange},
}};

// Label texts, in the order they are applied.
struct TextKey {
    int id;
    const char* key;
};
constexpr TextKey kTexts[] = {
    {kTrayPaperSizeLabel, "IDL_TRAY_PAPER_SIZE"},
    {kBypassPaperSizeLabel, "IDL_BYPASS_PAPER_SIZE"},
    {kBypassPaperTypeLabel, "IDL_BYPASS_PAPER_TYPE"},
    {kDiscardSizeLabel, "IDL_DISCARD_SIZE"},
    {kRingCountLabel, "IDL_RING_COUNT"},
    {kRedialCountLabel, "IDL_REDIAL_COUNT"},
    {kRedialIntervalLabel, "IDL_REDIAL_INTERVAL"},
    {kZoomLabel, "IDL_ZOOM"},
    {kCopiesLabel, "IDL_COPIES"},
    {kTimesUnit, "IDL_TIMES"},
    {kTimes2Unit, "IDL_TIMES_2"},
    {kMinutesUnit, "IDL_MINUTES"},
    {kContrastLabel, "IDL_CONTRAST"},
    {kDocumentModeLabel, "IDL_DOCUMENT_MODE"},
    {kSendingConfirmLabel, "IDL_SENDING_CONFIRM"},
    {kReceiveModeLabel, "IDL_RECEIVE_MODE"},
    {kTimeOutLabel, "IDL_TIME_OUT"},
    {kAutoJournal, "IDC_AUTO_JOURNAL"},
    {kRxReduction, "IDC_RX_REDUCTION"},
    {kApply, "IDC_APPLY"},
    {kRefresh, "IDC_REFRESH"},
};

// List items, in the order the lists are refilled. Paper sizes and types
// are keyed by their English texts.
struct ListItems {
    int id;
    std::vector<const char*> keys;
};
const std::vector<ListItems>& ItemKeys() {
    static const std::vector<const char*> kPaperSizes = {"Letter", "Legal", "A4", "Executive",
                                                         "Folio",  "A5",    "B5", "A6"};
    static const std::vector<ListItems> kItems = {
        {kTrayPaperSize, kPaperSizes},
        {kBypassPaperSize, kPaperSizes},
        {kBypassPaperType,
         {"Plain Paper", "Bond", "Transparency", "Card Stock", "Labels", "Preprinted", "Colored",
          "Envelope", "Thick", "Thin"}},
        {kContrast, {"CONTRAST_ITEM_0", "CONTRAST_ITEM_1", "CONTRAST_ITEM_2"}},
        {kDocumentMode, {"DOC_MODE_ITEM_0", "DOC_MODE_ITEM_1", "DOC_MODE_ITEM_2"}},
        {kSendingConfirm, {"SEND_CONFIRM_ITEM_0", "SEND_CONFIRM_ITEM_1", "SEND_CONFIRM_ITEM_2"}},
        {kReceiveMode, {"RCV_MODE_ITEM_0", "RCV_MODE_ITEM_1"}},
        {kPrintTimeOut,
         {"TIME_OUT_ITEM_0", "TIME_OUT_ITEM_1", "TIME_OUT_ITEM_2", "TIME_OUT_ITEM_3",
          "TIME_OUT_ITEM_4"}},
    };
    return kItems;
}

QString LangText(const char* key) {
    return QString::fromUtf8(GetLangString(kSection, key));
}

int NumberOf(const QString& text) {
    return LeadingDecimal(text.toStdString());
}

} // namespace

bool CSettings::ExistsFor(int machineClass) {
    return RecordExistsFor("setup", machineClass);
}

CSettings::CSettings(PanelContext& context, QWidget* parent)
    : CRecordPage(settingsTemplate, kTab, kRefresh, kApply, parent), link_(context.link),
      setup_(context.records.systemSetup) {
    for (int i = 0; i < kListCount; ++i) {
        listPositions_[i] = kLists[i].initial;
    }
    checkStates_.fill(0);
    numberTexts_[kZoomIndex] = QStringLiteral("100");
    numberTexts_[kCopiesIndex] = QStringLiteral("1");
}

void CSettings::SetUpControls() {
    for (const auto& number : kNumbers) {
        auto* edit = Control<QLineEdit>(number.id);
        if (edit == nullptr) {
            continue;
        }
        edit->setMaxLength(number.id == kZoom || number.id == kCopies ? 3 : 2);
        edit->installEventFilter(this);
        // Zoom and copies reach the record only when they lose the focus.
        if (number.id != kZoom && number.id != kCopies) {
            connect(edit, &QLineEdit::textChanged, this, [this] { OnControlChange(); });
        }
        if (auto* arrows = Control<QScrollBar>(number.arrowsId)) {
            // Only the arrows count: the bar goes back to its middle after
            // each step so that both arrows keep working.
            const int middle = (arrows->minimum() + arrows->maximum()) / 2;
            arrows->setValue(middle);
            connect(arrows, &QScrollBar::valueChanged, arrows, [arrows, middle](int value) {
                if (value != middle) {
                    arrows->setValue(middle);
                }
            });
            const int arrowsId = number.arrowsId;
            connect(arrows, &QScrollBar::actionTriggered, this, [this, arrowsId](int action) {
                const Arrow arrow = action == QAbstractSlider::SliderSingleStepSub   ? Arrow::Up
                                    : action == QAbstractSlider::SliderSingleStepAdd ? Arrow::Down
                                                                                     : Arrow::Other;
                OnScrollArrow(arrowsId, arrow);
            });
        }
    }
    for (const auto& list : kLists) {
        if (auto* combo = Control<QComboBox>(list.id)) {
            connect(combo, &QComboBox::currentIndexChanged, this, [this] { OnControlChange(); });
        }
    }
    for (const auto& check : kChecks) {
        if (auto* box = Control<QCheckBox>(check.id)) {
            connect(box, &QCheckBox::clicked, this, [this] { OnControlChange(); });
        }
    }
    LoadTexts();
    // Should the first read fail, the page stands as first shown.
    sent_ = CurrentValues();
}

CSettings::Values CSettings::CurrentValues() {
    UpdateData(Exchange::FromControls);
    Values values{};
    values.lists = listPositions_;
    values.checks = checkStates_;
    for (int i = 0; i < kNumberCount; ++i) {
        values.numbers[i] = NumberOf(numberTexts_[i]);
    }
    return values;
}

void CSettings::ExchangeValues(Exchange direction) {
    for (int i = 0; i < kListCount; ++i) {
        ExchangeListPosition(Control<QComboBox>(kLists[i].id), listPositions_[i], direction);
    }
    for (int i = 0; i < kCheckCount; ++i) {
        ExchangeCheckState(Control<QCheckBox>(kChecks[i].id), checkStates_[i], direction);
    }
    for (int i = 0; i < kNumberCount; ++i) {
        ExchangeText(Control<QLineEdit>(kNumbers[i].id), numberTexts_[i], direction);
    }
}

void CSettings::LoadTexts() {
    for (const auto& text : kTexts) {
        SetDlgItemText(text.id, LangText(text.key));
    }
    for (const auto& list : ItemKeys()) {
        auto* combo = Control<QComboBox>(list.id);
        if (combo == nullptr) {
            continue;
        }
        // Refilling a list is no selection change of the user's.
        const QSignalBlocker block(combo);
        combo->clear();
        for (const char* key : list.keys) {
            combo->addItem(LangText(key));
        }
        combo->setCurrentIndex(-1);
    }
}

bool CSettings::ReadRecord() {
    return Mfp_GetSettings(link_, setup_) != 0;
}

bool CSettings::WriteRecord() {
    return Mfp_SetSettings(link_, setup_) != 0;
}

bool CSettings::PrepareSettingsRecord() {
    if (!ReadRecordOnce()) {
        return false;
    }
    OnControlChange();
    // Numbers out of range are brought into it as leaving their field does.
    OnNumberKillFocus();
    return true;
}

void CSettings::ShowValues() {
    for (int i = 0; i < kListCount; ++i) {
        listPositions_[i] = setup_.*kLists[i].field;
    }
    for (int i = 0; i < kCheckCount; ++i) {
        checkStates_[i] = setup_.*kChecks[i].field;
    }
    ShowNumbers({setup_.discardSize, setup_.redialInterval, setup_.ringCount, setup_.redialCount,
                 setup_.zoom, setup_.copies});
    if (IsInitialised()) {
        UpdateData(Exchange::ToControls);
    }
}

void CSettings::OnControlChange() {
    UpdateData(Exchange::FromControls);
    for (int i = 0; i < kListCount; ++i) {
        // A list without a selection names no value: the record keeps its own
        // (a machine value outside the list survives the next Apply).
        if (listPositions_[i] >= 0) {
            setup_.*kLists[i].field = static_cast<uint8_t>(listPositions_[i]);
        }
    }
    for (int i = 0; i < kCheckCount; ++i) {
        setup_.*kChecks[i].field = static_cast<uint8_t>(checkStates_[i]);
    }
    setup_.discardSize = static_cast<uint8_t>(NumberOf(numberTexts_[kDiscard]));
    setup_.redialInterval = static_cast<uint8_t>(NumberOf(numberTexts_[kInterval]));
    setup_.ringCount = static_cast<uint8_t>(NumberOf(numberTexts_[kRings]));
    setup_.redialCount = static_cast<uint8_t>(NumberOf(numberTexts_[kRedials]));
    setup_.zoom = static_cast<uint16_t>(NumberOf(numberTexts_[kZoomIndex]));
    setup_.copies = static_cast<uint16_t>(NumberOf(numberTexts_[kCopiesIndex]));
}

void CSettings::ShowNumbers(const NumberFields& fields) {
    numberTexts_[kDiscard] = QString::number(fields.discardSize);
    numberTexts_[kInterval] = QString::number(fields.redialInterval);
    numberTexts_[kRings] = QString::number(fields.ringCount);
    numberTexts_[kRedials] = QString::number(fields.redialCount);
    numberTexts_[kZoomIndex] = QString::number(fields.zoom);
    numberTexts_[kCopiesIndex] = QString::number(fields.copies);
}

void CSettings::OnNumberKillFocus() {
    UpdateData(Exchange::FromControls);
    NumberFields fields{NumberOf(numberTexts_[kDiscard]),   NumberOf(numberTexts_[kInterval]),
                        NumberOf(numberTexts_[kRings]),     NumberOf(numberTexts_[kRedials]),
                        NumberOf(numberTexts_[kZoomIndex]), NumberOf(numberTexts_[kCopiesIndex])};
    const bool refill = ClampNumberFields(fields);

    setup_.discardSize = static_cast<uint8_t>(fields.discardSize);
    setup_.redialInterval = static_cast<uint8_t>(fields.redialInterval);
    setup_.ringCount = static_cast<uint8_t>(fields.ringCount);
    setup_.redialCount = static_cast<uint8_t>(fields.redialCount);
    setup_.zoom = static_cast<uint16_t>(fields.zoom);
    setup_.copies = static_cast<uint16_t>(fields.copies);
    ShowNumbers(fields);
    if (refill) {
        UpdateData(Exchange::ToControls);
    }
}

void CSettings::OnScrollArrow(int scrollBarId, Arrow arrow) {
    UpdateData(Exchange::FromControls);
    int index = -1;
    for (int i = 0; i < kNumberCount; ++i) {
        if (kNumbers[i].arrowsId == scrollBarId) {
            index = i;
        }
    }
    if (index < 0) {
        return;
    }
    const int value = StepArrow(NumberOf(numberTexts_[index]), arrow, kNumbers[index].range);
    numberTexts_[index] = QString::number(value);
    UpdateData(Exchange::ToControls);

    if (auto* edit = Control<QLineEdit>(kNumbers[index].id)) {
        edit->selectAll();
        edit->setFocus(Qt::OtherFocusReason);
    }
    OnControlChange();
}

bool CSettings::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
        !NotificationsBlocked()) {
        OnNumberKillFocus();
    }
    return CPropertyPage::eventFilter(watched, event);
}
