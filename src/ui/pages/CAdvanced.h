#pragma once
// The Advanced page: shows the machine's system status block (systemStatus).
// Lists and check boxes reach the record as they change; Apply stores every
// control, the toll-saver period included, and writes the record.

#include <QString>
#include <array>

#include "base/qt_record_page.h"
#include "model/panel_context.h"

struct StatusDateTime;

class CAdvanced : public CRecordPage {
    Q_OBJECT
  public:
    // Reads and writes the system status of the context over its link.
    explicit CAdvanced(PanelContext& context, QWidget* parent = nullptr);

    // Its tab's caption in the language file and its short name.
    static constexpr PageTab kTab = {.section = "ADVANCED", .key = "CAPTION", .name = "advanced"};

    // Where the machine has the system status record.
    static bool ExistsFor(int machineClass);

    // Handlers, public so that the main window and tests can run them.
    void OnControlChange();
    void OnTollSaverClick();
    void OnPowerSaveClick();
    // The text of field 1088, 1089 or 1001 changed.
    void OnTextChange(int fieldId);
    void LoadTexts();

    bool PrepareSettingsRecord() override;

    static constexpr int kTextCount = 3;
    static constexpr int kListCount = 6;
    static constexpr int kCheckCount = 4;

  protected:
    bool ReadRecord() override;
    bool WriteRecord() override;
    void SetUpControls() override;
    void ShowValues() override;
    void KeepSentValues() override { sent_ = CurrentValues(); }
    bool ValuesChangedSinceSent() override { return CurrentValues() != sent_; }
    void StoreValues() override { StoreAll(); }
    // A failed read left the record as it was; the page shows it all the same.
    bool ShowsRecordAfterFailedRead() const override { return true; }
    void ExchangeValues(Exchange direction) override;

  private:
    LinkState& link_;
    SystemStatus& systemStatus_;

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
