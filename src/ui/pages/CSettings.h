#pragma once
// The Settings page: shows the machine's system setup block (systemSetup),
// keeps the record up to date while the user edits and writes it back with
// Apply. Its first action when shown is a Refresh.

#include <QString>
#include <array>

#include "base/qt_property_page.h"
#include "model/settings_numbers.h"

class CSettings : public CPropertyPage {
    Q_OBJECT
  public:
    explicit CSettings(QWidget* parent = nullptr);

    static bool ExistsFor(int machineClass) { return machineClass == kFullMachineClass; }

    // Handlers, public so that the main window and tests can run them.
    void OnRefresh();
    void OnApply();
    void OnControlChange();
    void OnNumberKillFocus();
    // An arrow of the scroll bar with that id.
    void OnScrollArrow(int scrollBarId, settings_numbers::Arrow arrow);
    void LoadTexts();

    // Shows the record as it stands, without asking the machine.
    void ShowRecord();

    bool HasUnsentChanges() override;
    bool SendChanges() override;
    bool PrepareSettingsRecord() override;
    void ShowLoadedSettings() override;

    static constexpr int kListCount = 8;
    static constexpr int kCheckCount = 2;
    static constexpr int kNumberCount = 6;

  protected:
    void OnInitDialog() override;
    void RefreshRecord() override { OnRefresh(); }
    QString UnreadText() const override;
    QList<int> SendControls() const override;
    void OnSetActive() override { ShowRecordState(); }
    void ExchangeValues(Exchange direction) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // What the controls say, as the machine would get it.
    struct Values {
        std::array<int, kListCount> lists;
        std::array<int, kCheckCount> checks;
        std::array<int, kNumberCount> numbers;
        bool operator==(const Values&) const = default;
    };
    Values CurrentValues();
    // Puts the record into the page's values and controls.
    void ShowValues();

    // As last read from or written to the machine.
    Values sent_{};
    // Page values, in the order of the binding tables in CSettings.cpp.
    std::array<int, kListCount> listPositions_;
    std::array<int, kCheckCount> checkStates_;
    std::array<QString, kNumberCount> numberTexts_;
};
