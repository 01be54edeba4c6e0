#pragma once
// File > Load Phonebook and File > Save Phonebook, run by the Phonebook page.

#include <QString>

class QWidget;
class CPhonebook;

// Asks for a phonebook file and loads it into the table; on success the page
// refills its list and the reference counts are rebuilt. A file that cannot
// be opened or is no phonebook file gets a message box and changes nothing.
void LoadPhonebookCommand(QWidget* owner, CPhonebook* page);

// Asks for a file name and saves the table there. A failed save gets a
// message box; an earlier file of that name is left as it was. Returns the
// file's name once saved, else an empty text.
QString SavePhonebookCommand(QWidget* owner);
