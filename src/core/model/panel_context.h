#pragma once
// Everything the panel keeps for a run, in one object: the link's port and
// libraries, the machine's records and phonebook table. No routine reaches it
// by itself: the windows and faxrcp-cli own the one of their run and hand it,
// or the part a routine uses, down through their calls (RunStartup(context,
// ...), Mfp_GetSettings(context.link, context.records.systemSetup),
// DeleteSlot(context.records, ...)). Contexts share nothing: a test or a fuzz
// input starts from a fresh one.

#include <cstdint>

#include "link/link_state.h"
#include "model/phonebook_ops.h"
#include "protocol/machine_record.h"

struct PanelContext {
    LinkState link;
    MachineRecords records;

    // KELPIX.INI PortType, 1..3. Read and kept, nothing else consults it.
    int32_t portType = 1;

    PanelContext() = default;
    // Unloads the libraries start-up loaded and frees the phonebook table.
    ~PanelContext();
    // It owns the libraries and the table: one owner, no copies.
    PanelContext(const PanelContext&) = delete;
    PanelContext& operator=(const PanelContext&) = delete;
};
