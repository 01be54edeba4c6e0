#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "model/phonebook_exchange.h"

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
};

// Reads UTF-8 text (without its byte order mark); slot numbers must be
// below slotCount.
CsvPhonebook ReadCsvPhonebook(std::string_view text, int slotCount);

// Every used slot of the table, CRLF line ends.
std::string CsvPhonebookText();

// Puts the lines into the table, all or nothing (kProblems).
PhonebookImport ImportCsvPhonebook(const CsvPhonebook& book);
