#include "phonebook_use.h"

#include <string>
#include <vector>

#include "fuzz_machine.h"
#include "model/panel_context.h"
#include "model/phonebook_ops.h"
#include "protocol/phonebook.h"

namespace fuzz {

void UsePhonebook(PanelContext& context) {
    MachineRecords& records = context.records;
    const int n = PhonebookSlots(records);
    const int speed = SpeedDialSlots(records);
    size_t shown = 0;
    for (int i = 0; i < n; ++i) {
        const PhonebookEntry& e = records.phonebookTable[i];
        const std::string name = SlotName(e);
        const std::string number = SlotNumber(e);
        const std::string column = SlotNumberColumn(e);
        if (name.size() > size_t(kNameLength) || number.size() > size_t(kNumberLength)) {
            Fail("a slot text is longer than its field");
        }
        shown += name.size() + column.size();
        EditButtonStates states;
        ApplyClickRules(e, states);
        if (e.kind != 0) {
            const bool speedDialMode = i < speed;
            // What the group editor holds while it shows this group.
            IncludeState included{};
            for (const int member : GroupMembers(records, e.members, speedDialMode)) {
                if (member < 0 || member >= kIncludeStateSlots) {
                    Fail("a group member is outside the editor's view");
                }
                included[size_t(member)] = kIncluded;
            }
            for (int j = 0; j < n; ++j) {
                shown += OfferedForGroup(records, j, e.members, speedDialMode, included) ? 1 : 0;
            }
        }
    }
    RecountGroupRefs(records);
    Mfp_SetPhonebook(context.link, records);
    (void)shown;
}

} // namespace fuzz
