#pragma once
// The choice of a machine attached to another computer: the computer's name,
// then the machines faxrcp-bridge lists there (over ssh), one row each. OK is
// possible only with a row chosen; a double click on a row chooses it.

#include <QDialog>
#include <string>
#include <vector>

#include "model/usb_choice.h"

class QLabel;
class QLineEdit;
class QTreeWidget;
class CIconButton;

class CRemoteMachine : public QDialog {
    Q_OBJECT
  public:
    explicit CRemoteMachine(QWidget* parent = nullptr);

    // The ssh: name of the chosen row; empty while none is chosen.
    std::string ChosenName() const;
    // Lists the machines of the computer in the host field.
    void OnFind();

    QLineEdit* Host() const { return host_; }
    QTreeWidget* List() const { return list_; }

  private:
    std::vector<UsbCandidate> candidates_;
    QLineEdit* host_ = nullptr;
    QTreeWidget* list_ = nullptr;
    CIconButton* ok_ = nullptr;
    QLabel* message_ = nullptr;
};
