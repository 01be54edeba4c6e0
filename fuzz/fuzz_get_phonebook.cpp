// The phonebook get answer. Input: one byte, the most a read returns (0: no
// limit), the machine's one-touch and speed-dial capacities (one byte each),
// then the machine's answer. The table has the 100 slots start-up allocates.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_machine.h"
#include "model/panel_context.h"
#include "phonebook_use.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"

namespace {

constexpr int kTableSlots = 100;

// A table with something in every slot, so that a refused answer that
// touched it would show.
void FillTable(MachineRecords& records) {
    for (int i = 0; i < records.phonebookSlotCount; ++i) {
        PhonebookEntry& e = records.phonebookTable[i];
        std::memset(&e, 0, sizeof e);
        e.name[0] = char('A' + i % 26);
        e.number[0] = char('0' + i % 10);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    PanelContext context; // each input starts from a fresh program
    fuzz::PrepareMachine(context);
    SetMachineRecordDefaults(context.records);
    if (context.records.phonebookSlotCount != kTableSlots &&
        !AllocatePhonebookTable(context.records, kTableSlots)) {
        fuzz::Fail("no table");
    }
    FillTable(context.records);
    context.records.inquiryRecord.capacityA = data[1];
    context.records.inquiryRecord.capacityB = data[2];
    fuzz::SetAnswer(data + 3, size - 3, data[0]);

    std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(context.records.phonebookTable),
                                reinterpret_cast<uint8_t*>(context.records.phonebookTable +
                                                           context.records.phonebookSlotCount));
    const int ok = Mfp_GetPhonebook(context.link, context.records);
    if (!ok && std::memcmp(before.data(), context.records.phonebookTable, before.size()) != 0) {
        fuzz::Fail("a refused answer changed the phonebook table");
    }
    fuzz::UsePhonebook(context);
    return 0;
}
