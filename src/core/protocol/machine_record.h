#pragma once
#include <cstdint>

#include "protocol/inquiry.h"
#include "protocol/machine_info.h"
#include "protocol/phonebook.h"
#include "protocol/system_setup.h"
#include "protocol/system_status.h"

// The machine's records as this program holds them: the protocol's part of
// the panel context. The commands take the record they read or write.
struct MachineRecords {
    // A fresh process has the inquiry record's defaults before start-up runs.
    InquiryRecord inquiryRecord = {0, 100, 1, 2};
    SystemSetup systemSetup = {};
    SystemStatus systemStatus = {};
    MachineInfo machineInfo = {};
    PhonebookEntry* phonebookTable = nullptr;
    uint8_t* groupRefCount = nullptr;
    int phonebookSlotCount = 0;

    // Frees the phonebook table and puts every record back to its start value.
    void Reset();
};

// Fills the records with their start-up values: the inquiry record (0, 100,
// 1, 2) and every record of the registry (the system setup, the system
// status, the machine information). Called once by start-up before the first
// exchange.
void SetMachineRecordDefaults(MachineRecords& records);
