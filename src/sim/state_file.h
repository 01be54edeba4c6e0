#pragma once
// The daemon's machine state as a readable text file:
//
//   # faxrcp-sim machine state
//   [machine]
//   machineClass = 2
//   capacityA = 0
//   capacityB = 100
//   [setup]
//   block = 00 00 02 ...            (22 bytes)
//   [status]
//   block = ...                     (73 bytes)
//   [info]
//   block = ...                     (105 bytes)
//   [phonebook]
//   # 1: Office | 5550100
//   1 = KK NN..NN FF..FF            (kind, 20 name bytes, 46 number/member bytes)
//
// Only slots that are not empty are listed. Comments start with '#' or ';'.
// Lines that do not fit (a block of the wrong length too) are skipped, each
// with a note "line N: why" when the caller asks for them.

#include <string>
#include <vector>

#include "sim/simulated_machine.h"

namespace sim {

std::string StateToText(SimulatedMachine& machine);
// Applies what the text holds; returns false when nothing usable was found.
bool StateFromText(SimulatedMachine& machine, const std::string& text,
                   std::vector<std::string>* skipped = nullptr);

// Writes through a temporary file beside the target and renames it over;
// false (and the old file untouched) when any step fails.
bool WriteFileAtomically(const std::string& path, const std::string& bytes);
bool SaveState(SimulatedMachine& machine, const std::string& path);
// False when the file is missing or unreadable; the machine is then unchanged.
bool LoadState(SimulatedMachine& machine, const std::string& path,
               std::vector<std::string>* skipped = nullptr);

} // namespace sim
