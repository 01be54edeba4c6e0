#include <algorithm>
#include <cstring>

#include "model/phonebook_csv.h"
#include "model/phonebook_import.h"
#include "model/phonebook_ops.h"
#include "model/phonebook_text.h"
#include "protocol/phonebook.h"

namespace {

using Kind = PhonebookImportNote::Kind;

// What a line will do to its slot once every line has been looked at.
struct Plan {
    const CsvSlotLine* line;
    std::string name;
    std::string number;
};

// Groups the file does not name keep their members: a line may not empty
// those members or turn them into something else.
bool TakesHeldSlot(const MachineRecords& records, const CsvSlotLine& line,
                   const std::vector<bool>& heldByKept) {
    if (!heldByKept[static_cast<size_t>(line.slot)]) {
        return false;
    }
    const bool wasGroup = records.phonebookTable[line.slot].kind != 0;
    return line.clears || line.group != wasGroup;
}

// The table as the file leaves it: each slot's kind, whether it has a
// number, whether a line of the file changes it.
struct Outcome {
    std::vector<uint8_t> kinds;
    std::vector<bool> numbered;
    std::vector<bool> touched;
};

// Members that the table, as the file leaves it, cannot hold: the group
// editor offers only used single-number slots. A member the slot's group
// already held and the file leaves alone stays, as the machine has it.
void CheckMembers(const MachineRecords& records, const Plan& plan, const Outcome& after,
                  std::vector<PhonebookImportProblem>& problems) {
    const std::vector<uint8_t>& kinds = after.kinds;
    const CsvSlotLine& line = *plan.line;
    if (line.members.empty() && records.phonebookTable[line.slot].memberMark == 0) {
        problems.push_back({line.line, "a group without members; the group editor leaves such "
                                       "a slot empty"});
        return;
    }
    const std::vector<int> held = GroupMemberSlots(records, line.slot);
    const int n = PhonebookSlots(records);
    const int s = SpeedDialSlots(records);
    const auto problem = [&](int m, const std::string& why) {
        problems.push_back({line.line, "member " + std::to_string(m) + " " + why});
    };
    if (line.slot >= s) {
        if (line.members.size() > 1) {
            problems.push_back(
                {line.line, "a group in a one-touch slot holds one speed-dial group"});
        }
        for (const int m : line.members) {
            if (m == 0 || m >= s || kinds[static_cast<size_t>(m)] == 0) {
                problem(m, "is not a speed-dial group from slot 1 to " + std::to_string(s - 1));
            }
        }
        return;
    }
    for (const int m : line.members) {
        if (m >= n || (m < s && m >= kSpeedBitmapBits) ||
            (m >= s && m - s >= kOneTouchBitmapBits)) {
            problem(m, "is outside the slots a group can hold");
        } else if (kinds[static_cast<size_t>(m)] != 0) {
            problem(m, "is a group");
        } else if (!after.numbered[static_cast<size_t>(m)] &&
                   (after.touched[static_cast<size_t>(m)] ||
                    std::find(held.begin(), held.end(), m) == held.end())) {
            problem(m, "has no number");
        }
    }
}

void StoreLine(MachineRecords& records, const Plan& plan) {
    const CsvSlotLine& line = *plan.line;
    PhonebookEntry& e = records.phonebookTable[line.slot];
    const uint8_t oldKind = e.kind;
    std::memset(e.name, 0, sizeof e.name);
    std::memset(e.number, 0, sizeof e.number);
    e.kind = 0;
    if (line.clears) {
        return;
    }
    std::memcpy(e.name, plan.name.data(), std::min(plan.name.size(), size_t{kNameLength}));
    if (!line.group) {
        std::memcpy(e.number, plan.number.data(),
                    std::min(plan.number.size(), size_t{kNumberLength}));
        return;
    }
    // The machine's own group kind stays, so that a book comes back as it was.
    e.kind = oldKind != 0 ? oldKind : 1;
    const int s = SpeedDialSlots(records);
    for (const int m : line.members) {
        if (line.slot >= s) {
            e.members[0] = static_cast<uint8_t>(m);
        } else if (m < s) {
            SetMemberBit(e.members, kSpeedBitmapOffset, m, true);
        } else {
            SetMemberBit(e.members, kOneTouchBitmapOffset, m - s, true);
        }
    }
}

} // namespace

PhonebookImport ImportCsvPhonebook(MachineRecords& records, const CsvPhonebook& book,
                                   std::string_view prefix) {
    PhonebookImport result;
    result.format = PhonebookFormat::kCsv;
    if (!book.problems.empty()) {
        result.error = FileError::kProblems;
        result.problems = book.problems;
        return result;
    }
    const int n = PhonebookSlots(records);
    std::vector<bool> named(static_cast<size_t>(n), false);
    for (const CsvSlotLine& line : book.lines) {
        named[static_cast<size_t>(line.slot)] = true;
    }
    std::vector<bool> heldByKept(static_cast<size_t>(n), false);
    for (int i = 0; i < n; ++i) {
        if (!named[static_cast<size_t>(i)]) {
            for (const int m : GroupMemberSlots(records, i)) {
                heldByKept[static_cast<size_t>(m)] = true;
            }
        }
    }

    std::vector<Plan> plans;
    Outcome after{std::vector<uint8_t>(static_cast<size_t>(n)),
                  std::vector<bool>(static_cast<size_t>(n)),
                  std::vector<bool>(static_cast<size_t>(n), false)};
    std::vector<uint8_t>& kinds = after.kinds;
    for (int i = 0; i < n; ++i) {
        kinds[static_cast<size_t>(i)] = records.phonebookTable[i].kind;
        after.numbered[static_cast<size_t>(i)] =
            records.phonebookTable[i].kind == 0 && records.phonebookTable[i].number[0] != 0;
    }
    for (const CsvSlotLine& line : book.lines) {
        if (TakesHeldSlot(records, line, heldByKept)) {
            result.notes.push_back({Kind::kSlotInUse, line.line, line.slot, "", ""});
            continue;
        }
        // What the slot holds already stays as it is, even where the editor
        // would not have taken it, so that a book exported and imported again
        // comes back byte for byte.
        const PhonebookEntry& old = records.phonebookTable[line.slot];
        const std::string oldName(SlotName(old));
        const std::string oldNumber(old.kind == 0 ? SlotNumber(old) : std::string_view());
        const bool sameName = line.name == Latin1ToUtf8(oldName);
        const bool sameNumber = !oldNumber.empty() && line.number == Latin1ToUtf8(oldNumber);
        if (!line.clears && !line.group && !sameNumber &&
            RefuseNumber(line.number, line.name, line.line, line.slot, prefix, result.notes)) {
            continue;
        }
        Plan plan{&line, "", ""};
        if (!line.clears) {
            plan.name =
                sameName ? oldName : ImportedName(line.name, line.line, line.slot, result.notes);
        }
        if (!line.clears && !line.group) {
            plan.number = sameNumber ? oldNumber
                                     : ImportedNumber(line.number, line.line, line.slot, prefix,
                                                      result.notes);
        }
        kinds[static_cast<size_t>(line.slot)] = line.group ? 1 : 0;
        after.numbered[static_cast<size_t>(line.slot)] = !plan.number.empty();
        after.touched[static_cast<size_t>(line.slot)] = true;
        plans.push_back(std::move(plan));
    }
    for (const Plan& plan : plans) {
        if (plan.line->group && !plan.line->clears) {
            CheckMembers(records, plan, after, result.problems);
        }
    }
    if (!result.problems.empty()) {
        result.error = FileError::kProblems;
        result.notes.clear();
        return result;
    }

    const std::vector<PhonebookEntry> before = CopyOfTable(records);
    const std::vector<bool> heldBefore = HeldSlots(records);
    for (const Plan& plan : plans) {
        StoreLine(records, plan);
    }
    // A mark stays where a group still holds the slot; the machine sets it
    // again for the slots a group has just taken.
    const std::vector<bool> heldAfter = HeldSlots(records);
    std::vector<bool> replaced(static_cast<size_t>(n), false);
    for (const Plan& plan : plans) {
        replaced[static_cast<size_t>(plan.line->slot)] = true;
    }
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
        if (!heldAfter[i] && (replaced[i] || heldBefore[i])) {
            records.phonebookTable[i].memberMark = 0;
        }
    }
    result.slotsChanged = ChangedSlots(records, before);
    RecountGroupRefs(records);
    return result;
}
