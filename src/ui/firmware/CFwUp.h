#pragma once
// The Firmware Update page: Browse chooses a firmware file and shows its name
// and size, Update sends it to the machine (firmware/firmware_transfer.h) and
// follows the transfer on the progress bar, the percentage and the message
// line. Page values go to the controls only, never back.

#include <QString>
#include <memory>

#include "base/qt_property_page.h"
#include "model/firmware_transfer.h"

struct PanelContext;

class CFwUp : public CPropertyPage {
    Q_OBJECT
  public:
    // Sends firmware over the context's link.
    explicit CFwUp(PanelContext& context, QWidget* parent = nullptr);

    // Its tab's caption in the language file and its short name.
    static constexpr PageTab kTab = {.section = "FWUP", .key = "CAPTION", .name = "firmware"};
    ~CFwUp() override;

    // Handlers of Browse... (1023) and Update (1000), public so that the main
    // window and tests can run them.
    void OnBrowse();
    void OnUpdate();

    // The transfer behind Update (its state tells whether one is running).
    const firmware::FirmwareTransfer& Transfer() const { return *transfer_; }

    // Page values.
    QString fileName;     // 1004, full path; empty: none chosen
    QString fileSizeText; // 1007, "262144 bytes" in the panel's language
    QString messageText = QStringLiteral("Select a firmware file."); // 1075
    QString percentText = QStringLiteral("0 %");                     // 1076

  protected:
    void OnInitDialog() override;
    void ExchangeValues(Exchange direction) override;

  private:
    class View;
    void EnableUpdate(bool enable);
    bool ConfirmUpdate();
    void EnableWayOut(bool enable);

    std::unique_ptr<View> view_;
    std::unique_ptr<firmware::FirmwareTransfer> transfer_;
};
