#pragma once
// Start-up's question when several machines are on USB and none is named:
// one row per machine (maker, model, serial number, port), OK and Cancel.
// OK is possible only with a row chosen; a double click on a row chooses it.
// The machines on other computers chosen before follow as rows of their own,
// and "Machine on another computer..." finds one more (CRemoteMachine).

#include <QDialog>
#include <string>
#include <vector>

#include "model/usb_choice.h"

class QTreeWidget;
class CIconButton;

class CUsbChoice : public QDialog {
    Q_OBJECT
  public:
    explicit CUsbChoice(std::vector<UsbCandidate> candidates, QWidget* parent = nullptr);

    // The port name of the chosen row; empty while none is chosen.
    std::string ChosenName() const;

    QTreeWidget* List() const { return list_; }
    CIconButton* OkButton() const { return ok_; }

  private:
    std::vector<UsbCandidate> candidates_;
    std::string remoteChosen_; // through CRemoteMachine
    QTreeWidget* list_ = nullptr;
    CIconButton* ok_ = nullptr;
};
