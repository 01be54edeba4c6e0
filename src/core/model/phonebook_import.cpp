#include "model/phonebook_import.h"

#include "model/phonebook_ops.h"
#include "model/phonebook_text.h"

std::vector<bool> HeldSlots() {
    const int n = PhonebookSlots();
    std::vector<bool> held(static_cast<size_t>(n), false);
    for (int i = 0; i < n; ++i) {
        for (const int m : GroupMemberSlots(i)) {
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

std::string ImportedNumber(std::string_view text, int line, int slot,
                           std::vector<PhonebookImportNote>& notes) {
    std::string number = EditorNumber(text);
    if (number != text) {
        notes.push_back(
            {PhonebookImportNote::Kind::kNumberChanged, line, slot, std::string(text), number});
    }
    return number;
}

bool RefuseNumber(std::string_view text, std::string_view name, int line, int slot,
                  std::vector<PhonebookImportNote>& notes) {
    if (text.empty()) {
        notes.push_back({PhonebookImportNote::Kind::kNoNumber, line, slot, std::string(name), ""});
        return true;
    }
    const std::string number = EditorNumber(text);
    if (!EditorAcceptsNumber(number)) {
        notes.push_back(
            {PhonebookImportNote::Kind::kBadNumber, line, slot, std::string(text), number});
        return true;
    }
    return false;
}

int ChangedSlots(const std::vector<PhonebookEntry>& before) {
    int changed = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        changed += SameSlot(PhonebookTable[i], before[i]) ? 0 : 1;
    }
    return changed;
}
