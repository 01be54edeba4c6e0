// The simulated machine's state file (faxrcp-sim --state). Input: the file's
// text. What the machine took from it must save and load again unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_machine.h"
#include "sim/simulated_machine.h"
#include "sim/state_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static sim::SimulatedMachine machine;
    static sim::SimulatedMachine again;
    machine.reset();
    again.reset();
    sim::StateFromText(machine, std::string(reinterpret_cast<const char*>(data), size));
    const std::string saved = sim::StateToText(machine);
    if (!sim::StateFromText(again, saved)) {
        fuzz::Fail("a saved state does not load");
    }
    if (sim::StateToText(again) != saved) {
        fuzz::Fail("a saved state loads as another state");
    }
    return 0;
}
