#pragma once
// The window shown from launch until the main window opens: the program's
// name and icon, where start-up is looking for the machine, a busy bar and
// Cancel. Start-up's boxes stand over it.

#include <QDialog>

#include "model/startup.h"

class QLabel;
class QPushButton;

class CStartupWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CStartupWindow(QWidget* parent = nullptr);

    void ShowLooking(LookingAt where);
    // Was Cancel pressed (or the window closed)?
    bool Cancelled() const { return cancelled_; }

    QPushButton* CancelButton() const { return cancel_; }
    QString LookingText() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void Cancel();

    QLabel* looking_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool cancelled_ = false;
};
