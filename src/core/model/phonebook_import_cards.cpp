#include <map>

#include "model/phonebook_import.h"
#include "model/phonebook_ops.h"
#include "model/phonebook_text.h"
#include "protocol/phonebook.h"

namespace {

using Kind = PhonebookImportNote::Kind;

bool FreeSlot(const MachineRecords& records, int i, const std::vector<bool>& held) {
    const PhonebookEntry& e = records.phonebookTable[i];
    return SlotIsEmpty(e) && e.memberMark == 0 && !held[static_cast<size_t>(i)];
}

// Which kind of number was taken from a card without a fax number.
Kind TakenKind(const CardNumber& n) {
    return n.work ? Kind::kTookWork : n.preferred ? Kind::kTookPreferred : Kind::kTookFirst;
}

} // namespace

PhonebookImport ImportCards(MachineRecords& records, const std::vector<AddressCard>& cards,
                            const PhonebookImportOptions& options,
                            std::vector<PhonebookImportNote> notes) {
    PhonebookImport result;
    result.notes = std::move(notes);
    const std::string& prefix = options.internationalPrefix;
    const int s = SpeedDialSlots(records);
    const std::vector<bool> held = HeldSlots(records);
    // The book's numbers as the editor would have them, and where they are.
    std::map<std::string, int> numbers;
    for (int i = PhonebookSlots(records) - 1; i >= 0; --i) {
        if (records.phonebookTable[i].kind == 0 && records.phonebookTable[i].number[0] != 0) {
            numbers[EditorNumber(SlotNumber(records.phonebookTable[i]))] = i;
        }
    }
    int next = 0;
    for (const AddressCard& card : cards) {
        const int chosen = ChosenNumber(card.numbers);
        const CardNumber none;
        const CardNumber& from = chosen >= 0 ? card.numbers[static_cast<size_t>(chosen)] : none;
        if (chosen >= 0 && !from.fax && options.faxOnly) {
            result.notes.push_back({Kind::kNoFax, card.line, -1, card.name, ""});
            continue;
        }
        if (RefuseNumber(from.text, card.name, card.line, -1, prefix, result.notes)) {
            continue;
        }
        const std::string number = DialableNumber(from.text, prefix).number;
        if (const auto known = numbers.find(number); known != numbers.end()) {
            result.notes.push_back({Kind::kDuplicate, card.line, known->second, from.text, number});
            continue;
        }
        while (next < s && !FreeSlot(records, next, held)) {
            ++next;
        }
        if (next >= s) {
            result.notes.push_back({Kind::kNoRoom, card.line, -1, card.name, ""});
            ++result.notFitted;
            continue;
        }
        const int slot = next++;
        if (!from.fax) {
            result.notes.push_back({TakenKind(from), card.line, slot, card.name, from.text});
        }
        const std::string name = ImportedName(card.name, card.line, slot, result.notes);
        StoreSingleNumber(records, slot, name,
                          ImportedNumber(from.text, card.line, slot, prefix, result.notes));
        numbers.emplace(number, slot);
        ++result.slotsChanged;
    }
    RecountGroupRefs(records);
    return result;
}
