#pragma once
// The Phonebook page's File commands: Load and Save Phonebook (the panel's
// own phonebook files), Import and Export Phonebook (address books: CSV and
// vCard). They know no page: a command that changed the table says so with
// tableChanged(), and whoever shows the table refills.

#include <QObject>
#include <QString>

class QWidget;
struct MachineRecords;

class PhonebookFileCommands : public QObject {
    Q_OBJECT
  public:
    // The commands load into and save from the records' phonebook table.
    explicit PhonebookFileCommands(MachineRecords& records, QObject* parent = nullptr)
        : QObject(parent), records_(records) {}

    // Asks for a phonebook file and loads it into the table; on success the
    // reference counts are rebuilt and the table reported changed. A file
    // that cannot be opened or is no phonebook file gets a message box and
    // changes nothing.
    void Load(QWidget* owner);

    // Asks for a file name and saves the table there. A failed save gets a
    // message box; an earlier file of that name is left as it was. Returns
    // the file's name once saved, else an empty text.
    QString Save(QWidget* owner) const;

    // Asks for a CSV or vCard file and imports it into the table, reported
    // changed. What the import changed on the way or left out is listed in
    // one message box. Returns the line for the status line once imported,
    // else an empty text; a refused file changes nothing and gets a message
    // box.
    QString Import(QWidget* owner);

    // Asks for a file name and exports the table as CSV, or as vCard for a
    // name ending in .vcf. Returns the file's name once saved, else an empty
    // text.
    QString Export(QWidget* owner) const;

  signals:
    // The table holds new slots, read from a file by the user.
    void tableChanged();

  private:
    MachineRecords& records_;
};
