#pragma once

// Fills the whole machine record block with its start-up values: the inquiry
// record (0, 100, 1, 2), the system setup, the system status and the machine
// information. Called once by start-up before the first exchange.
void SetMachineRecordDefaults();
