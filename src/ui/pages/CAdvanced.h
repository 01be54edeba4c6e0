#pragma once
// The Advanced page: shows the machine's system status block (systemStatus).
// Lists and check boxes reach the record as they change; Apply stores every
// control, the toll-saver period included, and writes the record. Its first
// action when shown is a Refresh.

#include <QString>
#include <array>

#include "base/qt_property_page.h"

struct StatusDateTime;

class CAdvanced : public CPropertyPage {
    Q_OBJECT
  public:
    explicit CAdvanced(QWidget* parent = nullptr);

    static bool ExistsFor(int machineClass) { return machineClass == kFullMachineClass; }

    // Handlers, public so that the main window and tests can run them.
    void OnRefresh();
    void OnApply();
    void OnControlChange();
    void OnTollSaverClick();
    void OnPowerSaveClick();
    // The text of field 1088, 1089 or 1001 changed.
    void OnTextChange(int fieldId);
    void LoadTexts();

    // Shows the record as it stands, without asking the machine.
    void ShowRecord();

    bool HasUnsentChanges() override;
    bool SendChanges() override;
    bool PrepareSettingsRecord() override;
    void ShowLoadedSettings() override;

    static constexpr int kTextCount = 3;
    static constexpr int kListCount = 6;
    static constexpr int kCheckCount = 4;

  protected:
    void OnInitDialog() override;
    void RefreshRecord() override { OnRefresh(); }
    QString UnreadText() const override;
    QList<int> SendControls() const override;
    void OnSetActive() override { ShowRecordState(); }
    void ExchangeValues(Exchange direction) override;

  private:
    // What the controls say, the toll saver's period included.
    struct Values {
        std::array<QString, kTextCount> texts;
        std::array<int, kListCount> lists;
        std::array<int, kCheckCount> checks;
        int tollSaver;
        int powerSave;
        std::array<QString, 4> period;
        bool operator==(const Values&) const = default;
    };
    Values CurrentValues();

    void StoreControls();
    // Every control into the record, the toll saver's period included.
    void StoreAll();
    // Puts the record into the page's values and controls.
    void ShowValues();
    void ShowDateTime(int dateId, int timeId, const StatusDateTime& value);
    void ShowTimeFormat();
    void StoreDateTime(int dateId, int timeId, StatusDateTime& value) const;
    QString* TextValue(int fieldId);

    // Page values, in the order of the binding tables in CAdvanced.cpp.
    std::array<QString, kTextCount> texts_;
    std::array<int, kListCount> listPositions_;
    std::array<int, kCheckCount> checkStates_;
    int tollSaver_ = 1; // 0 Off, 1 On, -1 neither button
    int powerSave_ = 1;
    // As last read from or written to the machine.
    Values sent_{};
};
