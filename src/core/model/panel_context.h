#pragma once
// Everything the panel keeps for the whole run, in one object: the link's
// port and libraries, the machine's records and phonebook table, and the
// flags the windows share. No routine reaches it by itself: the windows and
// faxrcp-cli own the one of their run and hand it, or the part a routine
// uses, down through their calls (RunStartup(context, ...),
// Mfp_GetSettings(context.link, context.records.systemSetup),
// DeleteSlot(context.records, ...)).
//
// A test starts from a fresh process's state with its context's Reset().

#include <cstdint>

#include "link/link_state.h"
#include "model/phonebook_ops.h"
#include "protocol/machine_record.h"

struct PanelContext {
    LinkState link;
    MachineRecords records;

    // KELPIX.INI PortType, 1..3. Read and kept, nothing else consults it.
    int32_t portType = 1;

    // 1 while the Phonebook page shows the speed-dial slots.
    int speedDialView = 1;
    // The group dial editor's view of who is in the group being edited.
    int includeState[kIncludeStateSlots] = {};
    // Set by a filtered edit when it refused a character of code 0x80 or above.
    int nonAsciiTyped = 0;

    // Unloads the libraries, frees the phonebook table, puts every field back
    // to its start value, and the language (none), the real clock and debug
    // output back in place.
    void Reset();
};
