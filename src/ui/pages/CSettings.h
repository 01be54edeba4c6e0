#pragma once
// The Settings page: shows the machine's system setup block (systemSetup),
// keeps the record up to date while the user edits and writes it back with
// Apply.

#include <QString>
#include <array>

#include "base/qt_record_page.h"
#include "model/panel_context.h"
#include "model/settings_numbers.h"

class CSettings : public CRecordPage {
    Q_OBJECT
  public:
    // Reads and writes the system setup of the context over its link.
    explicit CSettings(PanelContext& context, QWidget* parent = nullptr);

    // Its tab's caption in the language file and its short name.
    static constexpr PageTab kTab = {.section = "SETTINGS", .key = "CAPTION", .name = "settings"};

    // Where the machine has the system setup record.
    static bool ExistsFor(int machineClass);

    // Handlers, public so that the main window and tests can run them.
    void OnControlChange();
    void OnNumberKillFocus();
    // An arrow of the scroll bar with that id.
    void OnScrollArrow(int scrollBarId, settings_numbers::Arrow arrow);
    void LoadTexts();

    bool PrepareSettingsRecord() override;

    static constexpr int kListCount = 8;
    static constexpr int kCheckCount = 2;
    static constexpr int kNumberCount = 6;

  protected:
    bool ReadRecord() override;
    bool WriteRecord() override;
    void SetUpControls() override;
    void ShowValues() override;
    void KeepSentValues() override { sent_ = CurrentValues(); }
    bool ValuesChangedSinceSent() override { return CurrentValues() != sent_; }
    // Zoom and copies reach the record when their field is left.
    void FinishEditing() override { OnNumberKillFocus(); }
    void ExchangeValues(Exchange direction) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The numbers' texts, as their fields show them.
    void ShowNumbers(const settings_numbers::NumberFields& fields);

    LinkState& link_;
    SystemSetup& setup_;

    // What the controls say, as the machine would get it.
    struct Values {
        std::array<int, kListCount> lists;
        std::array<int, kCheckCount> checks;
        std::array<int, kNumberCount> numbers;
        bool operator==(const Values&) const = default;
    };
    Values CurrentValues();

    // As last read from or written to the machine.
    Values sent_{};
    // Page values, in the order of the binding tables in CSettings.cpp.
    std::array<int, kListCount> listPositions_;
    std::array<int, kCheckCount> checkStates_;
    std::array<QString, kNumberCount> numberTexts_;
};
