#pragma once
// The window shown from launch until the main window opens: the program's
// name and icon, where start-up is looking for the machine, a busy bar,
// "Machine on another computer..." and Cancel. Start-up's boxes stand over it.

#include <QDialog>
#include <optional>
#include <string>

#include "model/startup.h"

class QLabel;
class QPushButton;

class CStartupWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CStartupWindow(QWidget* parent = nullptr);

    void ShowLooking(LookingAt where);
    // Was Cancel pressed (or the window closed), or another computer asked for?
    bool Cancelled() const { return cancelled_ || remoteAsked_; }
    // After Cancelled: the machine on another computer the user chooses now,
    // "" when none, nullopt after Cancel (StartupHooks::instead).
    std::optional<std::string> Instead();

    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* RemoteButton() const { return remote_; }
    QString LookingText() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void Cancel();

    QLabel* looking_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* remote_ = nullptr;
    bool cancelled_ = false;
    bool remoteAsked_ = false;
};
