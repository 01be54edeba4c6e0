#include "model/phonebook_import.h"

#include "model/phonebook_ops.h"
#include "model/phonebook_text.h"

std::vector<bool> HeldSlots(const MachineRecords& records) {
    const int n = PhonebookSlots(records);
    std::vector<bool> held(static_cast<size_t>(n), false);
    for (int i = 0; i < n; ++i) {
        for (const int m : GroupMemberSlots(records, i)) {
            held[static_cast<size_t>(m)] = true;
        }
    }
    return held;
}

std::string ImportedName(std::string_view text, int line, int slot,
                         std::vector<PhonebookImportNote>& notes) {
    std::string name = EditorName(text);
    if (name != text) {
        notes.push_back(
            {PhonebookImportNote::Kind::kNameChanged, line, slot, std::string(text), name});
    }
    return name;
}

std::string ImportedNumber(std::string_view text, int line, int slot, std::string_view prefix,
                           std::vector<PhonebookImportNote>& notes) {
    const DialNumber dial = DialableNumber(text, prefix);
    if (!dial.extension.empty()) {
        notes.push_back(
            {PhonebookImportNote::Kind::kExtension, line, slot, std::string(text), dial.extension});
    }
    if (dial.changed) {
        notes.push_back({PhonebookImportNote::Kind::kNumberChanged, line, slot, std::string(text),
                         dial.number});
    }
    return dial.number;
}

bool RefuseNumber(std::string_view text, std::string_view name, int line, int slot,
                  std::string_view prefix, std::vector<PhonebookImportNote>& notes) {
    if (TrimBlanks(text).empty()) {
        notes.push_back({PhonebookImportNote::Kind::kNoNumber, line, slot, std::string(name), ""});
        return true;
    }
    const std::string number = DialableNumber(text, prefix).number;
    if (!EditorAcceptsNumber(number)) {
        notes.push_back(
            {PhonebookImportNote::Kind::kBadNumber, line, slot, std::string(text), number});
        return true;
    }
    return false;
}

int ChosenNumber(const std::vector<CardNumber>& numbers) {
    int best = -1;
    int bestRank = -1;
    for (size_t i = 0; i < numbers.size(); ++i) {
        const CardNumber& n = numbers[i];
        const int rank = (n.fax ? 4 : 0) + (n.work ? 2 : 0) + (n.preferred ? 1 : 0);
        if (!TrimBlanks(n.text).empty() && rank > bestRank) {
            best = static_cast<int>(i);
            bestRank = rank;
        }
    }
    return best;
}

int ChangedSlots(const MachineRecords& records, const std::vector<PhonebookEntry>& before) {
    int changed = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        changed += SameSlot(records.phonebookTable[i], before[i]) ? 0 : 1;
    }
    return changed;
}
