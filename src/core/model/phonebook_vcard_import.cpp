#include <algorithm>
#include <map>

#include "model/phonebook_import.h"
#include "model/phonebook_ops.h"
#include "model/phonebook_text.h"
#include "model/phonebook_vcard.h"
#include "protocol/phonebook.h"

namespace {

bool FreeSlot(int i, const std::vector<bool>& held) {
    const PhonebookEntry& e = PhonebookTable[i];
    return SlotIsEmpty(e) && e.memberMark == 0 && !held[static_cast<size_t>(i)];
}

} // namespace

PhonebookImport ImportVcards(const std::vector<VcardContact>& contacts) {
    using Kind = PhonebookImportNote::Kind;
    PhonebookImport result;
    result.format = PhonebookFormat::kVcard;
    const int s = SpeedDialSlots();
    const std::vector<bool> held = HeldSlots();
    // The book's numbers as the editor would have them, and where they are.
    std::map<std::string, int> numbers;
    for (int i = PhonebookSlots() - 1; i >= 0; --i) {
        if (PhonebookTable[i].kind == 0 && PhonebookTable[i].number[0] != 0) {
            numbers[EditorNumber(SlotNumber(PhonebookTable[i]))] = i;
        }
    }
    int next = 0;
    for (const VcardContact& card : contacts) {
        if (RefuseNumber(card.number, card.name, card.line, -1, result.notes)) {
            continue;
        }
        const std::string number = EditorNumber(card.number);
        if (const auto known = numbers.find(number); known != numbers.end()) {
            result.notes.push_back(
                {Kind::kDuplicate, card.line, known->second, card.number, number});
            continue;
        }
        while (next < s && !FreeSlot(next, held)) {
            ++next;
        }
        if (next >= s) {
            result.notes.push_back({Kind::kNoRoom, card.line, -1, card.name, ""});
            ++result.notFitted;
            continue;
        }
        const int slot = next++;
        const std::string name = ImportedName(card.name, card.line, slot, result.notes);
        StoreSingleNumber(slot, name, ImportedNumber(card.number, card.line, slot, result.notes));
        numbers.emplace(number, slot);
        ++result.slotsChanged;
    }
    RecountGroupRefs();
    return result;
}
