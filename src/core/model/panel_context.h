#pragma once
// Everything the panel keeps for the whole run, in one object: the link's
// port and libraries, the machine's records and phonebook table, the language
// file. The routines read and write it through the names they always used
// (currentPort, systemSetup, PhonebookTable, languageFilePath...), which are
// references into the one context of the process.
//
// A test starts from a fresh process's state with panelContext.Reset().

#include <cstdint>
#include <string>

#include "link/link_state.h"
#include "model/phonebook_ops.h"
#include "protocol/machine_record.h"

struct PanelContext {
    LinkState link;
    MachineRecords records;

    // The program's directory followed by the language file's name.
    std::string languageFilePath;
    // The shared buffer that GetLangString returns.
    char langText[256] = {};
    // KELPIX.INI PortType, 1..3.
    int32_t portType = 1;

    // Unloads the libraries, frees the phonebook table, puts every field back
    // to its start value and the real clock and debug output back in place.
    void Reset();
};

extern PanelContext panelContext;
