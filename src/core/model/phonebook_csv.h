#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "model/phonebook_exchange.h"
#include "model/phonebook_import.h"
#include "protocol/machine_record.h"

// The CSV form of a phonebook (RFC 4180): "slot,kind,name,number,members".

// One line of the file, checked as far as it can be without the table.
struct CsvSlotLine {
    int line = 0;
    int slot = 0;
    bool group = false;
    bool clears = false; // name, number and members all empty
    std::string name;    // UTF-8, as the file has it
    std::string number;
    std::vector<int> members; // ascending, no repeats
};

struct CsvPhonebook {
    bool isCsv = false; // the first line is a header, maybe a faulty one
    std::vector<CsvSlotLine> lines;
    std::vector<PhonebookImportProblem> problems;
    // Not our own header, but a mail program's or a spreadsheet's: its rows.
    bool addressBook = false;
    std::vector<AddressCard> cards;
};

// Reads UTF-8 text (without its byte order mark), fields separated by ",",
// ";" or tab, whichever the header line has most of; slot numbers must be
// below slotCount.
CsvPhonebook ReadCsvPhonebook(std::string_view text, int slotCount);

// One record of a CSV file: where it starts and its fields.
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
};

// The rows of a mail program's or a spreadsheet's address book under header,
// when its columns name a number; else false.
bool ReadAddressBookRows(const CsvRecord& header, const std::vector<CsvRecord>& rows,
                         std::vector<AddressCard>& cards);

// Every used slot of the table, CRLF line ends.
std::string CsvPhonebookText(const MachineRecords& records);

// Puts the lines into the table, all or nothing (kProblems); groups follow
// the group editor's rules. prefix: what a leading "+" of a number becomes.
PhonebookImport ImportCsvPhonebook(MachineRecords& records, const CsvPhonebook& book,
                                   std::string_view prefix);
