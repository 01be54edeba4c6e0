#pragma once
// The Information page: the machine's versions, free memory and usage
// counters from the MachineInfo record, and Refresh to read them again.

#include <QString>

#include "base/qt_property_page.h"
#include "model/panel_context.h"

class CInfo : public CPropertyPage {
    Q_OBJECT
  public:
    // Reads the machine information of the context over its link.
    explicit CInfo(PanelContext& context, QWidget* parent = nullptr);

    // Its tab's caption in the language file and its short name.
    static constexpr PageTab kTab = {.section = "INFO", .key = "CAPTION", .name = "info"};

    // Where the machine has the machine information record.
    static bool ExistsFor(int machineClass);

    // Reads the record from the machine and shows it; on failure the
    // not-responding box, and the page keeps what it showed.
    void OnRefresh();

    // The page values, one per value control; empty until the first
    // successful refresh.
    QString adfJamCountText;      // 1073
    QString adfScanCountText;     // 1070
    QString tonerCountText;       // 1072
    QString platenScanCountText;  // 1069
    QString printCountText;       // 1071
    QString printJamCountText;    // 1074
    QString freeMemoryText;       // 1075
    QString emulationVersionText; // 1067
    QString firmwareVersionText;  // 1065
    QString engineVersionText;    // 1066

  protected:
    void OnInitDialog() override;
    void ExchangeValues(Exchange direction) override;

  private:
    LinkState& link_;
    MachineInfo& machineInfo_;
};
