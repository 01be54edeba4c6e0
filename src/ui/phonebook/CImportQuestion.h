#pragma once
// Asked before an address book is imported: what a leading "+" becomes (the
// international access prefix) and whether cards without a fax number are
// left out. The answers are remembered for the user.

#include <QDialog>

#include "model/phonebook_exchange.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

class CImportQuestion : public QDialog {
    Q_OBJECT
  public:
    CImportQuestion(const PhonebookImportOptions& options, QWidget* parent = nullptr);

    PhonebookImportOptions Options() const;
    QLineEdit* PrefixField() const { return prefix_; }
    QCheckBox* FaxOnlyBox() const { return faxOnly_; }

    // Asks with options as the first answers; false when the user cancelled.
    // The answers given are remembered.
    static bool Ask(QWidget* owner, PhonebookImportOptions& options);

  private:
    QLineEdit* prefix_ = nullptr;
    QCheckBox* faxOnly_ = nullptr;
    QPushButton* ok_ = nullptr;
};
