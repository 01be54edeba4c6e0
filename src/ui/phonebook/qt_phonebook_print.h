#pragma once
// File > Print Phonebook: the used slots as a table (slot, name, number or the
// group's members by name) under a head with the machine's ID and number and
// the date; through the print preview, the printer dialog or a PDF file.

#include <QString>

struct MachineRecords;
class QDateTime;
class QPrinter;
class QWidget;

// The text of the records' phonebook as rich text, in the language in use.
QString PhonebookPrintText(const MachineRecords& records, const QDateTime& when);

// Lays the text out on the printer's pages and prints it.
void PrintPhonebook(const MachineRecords& records, QPrinter& printer, const QDateTime& when);

// Opens the print preview; its print button asks for the printer.
void PrintPhonebookCommand(const MachineRecords& records, QWidget* owner);
