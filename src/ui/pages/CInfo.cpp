#include "pages/CInfo.h"

#include <QLabel>

#include <QPushButton>
#include <cstring>

#include "base/qt_not_responding.h"
#include "desktop/qt_desktop.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "protocol/exchange.h"
#include "protocol/machine_info.h"
#include "protocol/record_registry.h"
#include "templates/info_template.h"

using namespace info_ids;

namespace {

// Machine texts are 8-bit bytes shown as Latin-1; the field may lack its zero.
template <size_t N> QString MachineText(const char (&field)[N]) {
    return QString::fromLatin1(field, static_cast<qsizetype>(strnlen(field, N)));
}

} // namespace

bool CInfo::ExistsFor(int machineClass) {
    return RecordExistsFor("info", machineClass);
}

CInfo::CInfo(PanelContext& context, QWidget* parent)
    : CPropertyPage(infoTemplate, kTab, parent), link_(context.link),
      machineInfo_(context.records.machineInfo) {}

void CInfo::OnInitDialog() {
    CPropertyPage::OnInitDialog();

    static const struct {
        const char* key;
        int id;
    } labels[] = {
        {"IDL_FW_VERSION", kFwVersionLabel},
        {"IDL_ENGINE_VERSION", kEngineVersionLabel},
        {"IDL_EMUL_VERSION", kEmulVersionLabel},
        {"IDL_FREE_MEMORY", kFreeMemoryLabel},
        {"IDL_PRINT_COUNT", kPrintCountLabel},
        {"IDL_PLATEN_SCAN_COUNT", kPlatenScanLabel},
        {"IDL_ADF_SCAN_COUNT", kAdfScanLabel},
        {"IDL_ADF_JAM_COUNT", kAdfJamLabel},
        {"IDL_PRINT_JAM_COUNT", kPrintJamLabel},
        {"IDL_TONER_COUNT", kTonerLabel},
        {"IDC_REFRESH", kRefresh},
        {"IDC_APPLY", kApply},
    };
    for (const auto& label : labels) {
        SetDlgItemText(label.id, QString::fromUtf8(GetLangString("INFO", label.key)));
    }

    if (auto* refresh = Control<QPushButton>(kRefresh)) {
        connect(refresh, &QPushButton::clicked, this, [this] { OnRefresh(); });
    }
    OnRefresh();
}

void CInfo::ExchangeValues(Exchange direction) {
    // Values travel to the controls only.
    if (direction != Exchange::ToControls) {
        return;
    }
    const struct {
        int id;
        const QString& text;
    } values[] = {
        {kAdfJam, adfJamCountText},        {kAdfScan, adfScanCountText},
        {kToner, tonerCountText},          {kPlatenScan, platenScanCountText},
        {kPrintCount, printCountText},     {kPrintJam, printJamCountText},
        {kFreeMemory, freeMemoryText},     {kEmulVersion, emulationVersionText},
        {kFwVersion, firmwareVersionText}, {kEngineVersion, engineVersionText},
    };
    // Whole values; a window too narrow for one cuts it and shows it whole
    // in the tool tip.
    for (const auto& v : values) {
        auto* label = Control<QLabel>(v.id);
        if (label == nullptr) {
            continue;
        }
        const int room = label->contentsRect().width() - 2 * label->margin() - 2;
        const QString shown = label->fontMetrics().elidedText(v.text, Qt::ElideRight, room);
        SetDlgItemText(v.id, shown);
        label->setToolTip(shown == v.text ? QString() : v.text);
    }
}

namespace {

// The machine counts without sign: 4294967295 is a count, not -1.
QString Counter(int32_t value) {
    return QString::number(static_cast<uint32_t>(value));
}

} // namespace

void CInfo::OnRefresh() {
    desktop::WaitCursor(true);
    const int ok = Mfp_GetMachineInfo(link_, machineInfo_);
    PauseMs(500);
    desktop::WaitCursor(false);
    if (!ok) {
        ShowNotResponding(BoxOwner());
        return;
    }
    firmwareVersionText = MachineText(machineInfo_.firmwareVersion);
    engineVersionText = MachineText(machineInfo_.engineVersion);
    emulationVersionText = MachineText(machineInfo_.emulationVersion);
    freeMemoryText = QString::asprintf(" %d %% ", machineInfo_.freeMemoryPercent);
    platenScanCountText = Counter(machineInfo_.platenScanCount);
    adfScanCountText = Counter(machineInfo_.adfScanCount);
    printCountText = Counter(machineInfo_.printCount);
    tonerCountText = Counter(machineInfo_.tonerReplacedCount);
    adfJamCountText = Counter(machineInfo_.adfJamCount);
    printJamCountText = Counter(machineInfo_.printJamCount);
    UpdateData(Exchange::ToControls);
}
