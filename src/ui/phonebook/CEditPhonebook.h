#pragma once
// The phonebook entry editor: the name and the number of one single-number
// slot. Typed letters become capitals, the number takes digits, # * and P,
// and OK wants a number of at least three characters with a digit in it.
// The editor never touches the table after reading the slot's texts; the
// page stores what it hands back.

#include <QDialog>
#include <string>

class CFilterEdit;
struct MachineRecords;

class CEditPhonebook : public QDialog {
    Q_OBJECT
  public:
    // Starts with the name and number of slot `index` of the records' table.
    CEditPhonebook(const MachineRecords& records, int index, QWidget* parent = nullptr);

    // The texts to store after OK, as machine bytes (Latin-1).
    std::string Name() const;
    std::string Number() const;

    CFilterEdit* NameField() const { return nameField_; }
    CFilterEdit* NumberField() const { return numberField_; }

    void OnOK();

  private:
    void OnFieldChanged(CFilterEdit* field);
    void PutTexts();

    CFilterEdit* nameField_ = nullptr;
    CFilterEdit* numberField_ = nullptr;
    // The dialog's two texts: the fields' values as of the last change.
    QString name_;
    QString number_;
    bool putting_ = false;
};
