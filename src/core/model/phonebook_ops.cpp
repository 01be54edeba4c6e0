#include "model/phonebook_ops.h"

#include <algorithm>
#include <cstring>

const char* const kGroupDialText = "*GROUP DIAL*";

namespace {

std::string BoundedText(const char* field, int size) {
    return std::string(field, strnlen(field, static_cast<size_t>(size)));
}

bool ValidSlot(const MachineRecords& records, int index) {
    return records.phonebookTable != nullptr && index >= 0 && index < PhonebookSlots(records);
}

void ClearTexts(PhonebookEntry& e) {
    // The name and number widths: bytes 22 and 69 are never the program's to
    // write, and a file keeps what it holds there.
    std::memset(e.name, 0, kNameLength);
    std::memset(e.number, 0, kNumberLength);
}

void CopyText(char* field, int capacity, const std::string& text) {
    const size_t n = std::min(text.size(), static_cast<size_t>(capacity));
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

// A member of a deleted group loses one reference; the mark the machine set
// goes with its last one.
void ReleaseMember(MachineRecords& records, int m, bool onlyMarkOne) {
    if (m < 0 || m >= PhonebookSlots(records)) {
        return;
    }
    if (records.groupRefCount[m] != 0) {
        --records.groupRefCount[m];
    }
    if (records.groupRefCount[m] == 0 &&
        (!onlyMarkOne || records.phonebookTable[m].memberMark == 1)) {
        records.phonebookTable[m].memberMark = 0;
    }
}

// A one-touch group names the speed-dial group it dials in byte 0.
void ReleaseOneTouchTarget(MachineRecords& records, const uint8_t* members) {
    const int p = members[0];
    if (p >= PhonebookSlots(records)) {
        return;
    }
    if (records.groupRefCount[p] != 0) {
        --records.groupRefCount[p];
    }
    records.phonebookTable[p].memberMark = 0;
}

void ReleaseSpeedDialMembers(MachineRecords& records, const uint8_t* members, bool onlyMarkOne) {
    const int n = PhonebookSlots(records);
    const int s = SpeedDialSlots(records);
    for (int k = 0; k < kOneTouchBitmapBits && s + k < n; ++k) {
        if (MemberBit(members, kOneTouchBitmapOffset, k)) {
            ReleaseMember(records, s + k, onlyMarkOne);
        }
    }
    for (int k = 0; k < kSpeedBitmapBits && k < s; ++k) {
        if (MemberBit(members, kSpeedBitmapOffset, k)) {
            ReleaseMember(records, k, onlyMarkOne);
        }
    }
}

} // namespace

bool SlotIsEmpty(const PhonebookEntry& e) {
    return e.kind == 0 && e.name[0] == 0 && e.number[0] == 0;
}

std::string SlotName(const PhonebookEntry& e) {
    return BoundedText(e.name, kNameLength);
}

std::string SlotNumber(const PhonebookEntry& e) {
    // Trailing 0xFF bytes and blanks are the padding of the wire, never
    // dialling characters: a table loaded from an older file may still hold it.
    std::string number = BoundedText(e.number, kNumberLength);
    while (!number.empty() && (number.back() == ' ' || number.back() == '\xFF')) {
        number.pop_back();
    }
    return number;
}

std::string SlotNumberColumn(const PhonebookEntry& e) {
    return e.kind != 0 ? std::string(kGroupDialText) : SlotNumber(e);
}

void ApplyClickRules(const PhonebookEntry& e, EditButtonStates& states) {
    if (e.kind != 0) {
        states.groupDial = true;
        states.edit = false;
        // An empty group name must not offer Edit: the entry editor would
        // write a number over the member field.
        return;
    }
    if (e.number[0] != '\0') {
        states.groupDial = false;
        states.edit = true;
    }
    if (e.name[0] == '\0' && e.number[0] == '\0') {
        states.edit = true;
        states.groupDial = true;
    }
}

void StoreSingleNumber(MachineRecords& records, int index, const std::string& name,
                       const std::string& number) {
    if (!ValidSlot(records, index)) {
        return;
    }
    PhonebookEntry& e = records.phonebookTable[index];
    ClearTexts(e);
    CopyText(e.name, kNameLength, name);
    CopyText(e.number, kNumberLength, number);
}

void StoreGroup(MachineRecords& records, int index, const std::string& name,
                const uint8_t* members) {
    if (!ValidSlot(records, index)) {
        return;
    }
    PhonebookEntry& e = records.phonebookTable[index];
    e.kind = 1;
    ClearTexts(e);
    CopyText(e.name, kNameLength, name);
    std::memcpy(e.members, members, kMembersLength);
    const bool noMembers =
        std::all_of(e.members, e.members + kMembersLength, [](uint8_t b) { return b == 0; });
    if (e.memberMark == 0 && noMembers) {
        e.kind = 0;
        ClearTexts(e);
    }
}

bool DeleteSlot(MachineRecords& records, int index, int viewKind) {
    if (!ValidSlot(records, index)) {
        return false;
    }
    PhonebookEntry& e = records.phonebookTable[index];
    if (records.groupRefCount[index] != 0 || e.memberMark != 0) {
        return false;
    }
    if (e.kind != 0) {
        e.kind = 0;
        uint8_t scratch[kMembersLength];
        std::memcpy(scratch, e.members, kMembersLength);
        if (viewKind == 1) {
            ReleaseSpeedDialMembers(records, scratch, true);
        } else {
            ReleaseOneTouchTarget(records, scratch);
        }
    }
    ClearTexts(e);
    return true;
}

std::vector<int> GroupsHolding(const MachineRecords& records, int index) {
    std::vector<int> groups;
    for (int g = 0; ValidSlot(records, index) && g < PhonebookSlots(records); ++g) {
        const std::vector<int> members = GroupMemberSlots(records, g);
        if (std::find(members.begin(), members.end(), index) != members.end()) {
            groups.push_back(g);
        }
    }
    return groups;
}

int DeleteAllSlots(MachineRecords& records) {
    if (records.phonebookTable == nullptr) {
        return 0;
    }
    const int n = PhonebookSlots(records);
    const int s = SpeedDialSlots(records);
    for (int i = s; i < n; ++i) {
        PhonebookEntry& e = records.phonebookTable[i];
        if (e.kind != 0 && e.memberMark == 0) {
            e.kind = 0;
            ReleaseOneTouchTarget(records, e.members);
        }
    }
    for (int i = 0; i < s; ++i) {
        const PhonebookEntry& e = records.phonebookTable[i];
        if (e.kind != 0 && e.memberMark == 0) {
            ReleaseSpeedDialMembers(records, e.members, false);
        }
    }
    int refused = 0;
    for (int i = 0; i < n; ++i) {
        PhonebookEntry& e = records.phonebookTable[i];
        if (records.groupRefCount[i] != 0 || e.memberMark != 0) {
            ++refused;
            continue;
        }
        e.kind = 0;
        ClearTexts(e);
    }
    return refused;
}

void ClearIncludeState() {
    std::fill(std::begin(includeState), std::end(includeState), 0);
}

bool IsIncluded(int slot) {
    return slot >= 0 && slot < kIncludeStateSlots && includeState[slot] == kIncluded;
}

std::vector<int> GroupMembers(const MachineRecords& records, const uint8_t* members,
                              bool speedDialMode) {
    std::vector<int> out;
    const int n = std::min(PhonebookSlots(records), kIncludeStateSlots);
    const int s = SpeedDialSlots(records);
    if (speedDialMode) {
        for (int k = 0; k < kOneTouchBitmapBits && s + k < n; ++k) {
            if (MemberBit(members, kOneTouchBitmapOffset, k)) {
                out.push_back(s + k);
            }
        }
        for (int k = 0; k < kSpeedBitmapBits && k < s && k < n; ++k) {
            if (MemberBit(members, kSpeedBitmapOffset, k)) {
                out.push_back(k);
            }
        }
    } else {
        const int a = members[0];
        if (a != 0 && a < n) {
            out.push_back(a);
        }
    }
    return out;
}

std::vector<int> GroupMemberSlots(const MachineRecords& records, int index) {
    std::vector<int> list;
    if (!ValidSlot(records, index) || records.phonebookTable[index].kind == 0) {
        return list;
    }
    const uint8_t* members = records.phonebookTable[index].members;
    const int n = PhonebookSlots(records);
    const int s = SpeedDialSlots(records);
    if (index >= s) {
        if (members[0] != 0 && members[0] < n) {
            list.push_back(members[0]);
        }
        return list;
    }
    for (int k = 0; k < s && k < kSpeedBitmapBits; ++k) {
        if (MemberBit(members, kSpeedBitmapOffset, k)) {
            list.push_back(k);
        }
    }
    for (int k = 0; k < n - s && k < kOneTouchBitmapBits; ++k) {
        if (MemberBit(members, kOneTouchBitmapOffset, k)) {
            list.push_back(s + k);
        }
    }
    return list;
}

bool OfferedForGroup(const MachineRecords& records, int slot, const uint8_t* members,
                     bool speedDialMode) {
    if (!ValidSlot(records, slot)) {
        return false;
    }
    const PhonebookEntry& e = records.phonebookTable[slot];
    if (speedDialMode) {
        return e.kind == 0 && e.number[0] != '\0' && !IsIncluded(slot);
    }
    return e.kind == 1 && slot != members[0];
}

void BuildMemberField(const MachineRecords& records, uint8_t* members, bool speedDialMode) {
    std::memset(members, 0, kMembersLength);
    const int n = PhonebookSlots(records);
    const int s = SpeedDialSlots(records);
    if (speedDialMode) {
        for (int k = 0; k < kOneTouchBitmapBits && s + k < n; ++k) {
            if (IsIncluded(s + k)) {
                SetMemberBit(members, kOneTouchBitmapOffset, k, true);
            }
        }
        for (int k = 0; k < kSpeedBitmapBits && k < s; ++k) {
            if (IsIncluded(k)) {
                SetMemberBit(members, kSpeedBitmapOffset, k, true);
            }
        }
    } else {
        // Several included groups: the highest index wins.
        for (int k = 0; k < s; ++k) {
            if (IsIncluded(k)) {
                members[0] = static_cast<uint8_t>(k);
                members[1] = members[2] = members[3] = 0;
            }
        }
    }
}

std::vector<PhonebookEntry> CopyOfTable(const MachineRecords& records) {
    const int n = records.phonebookTable != nullptr ? PhonebookSlots(records) : 0;
    return std::vector<PhonebookEntry>(records.phonebookTable, records.phonebookTable + n);
}

bool TableMatches(const MachineRecords& records, const std::vector<PhonebookEntry>& copy) {
    const int n = records.phonebookTable != nullptr ? PhonebookSlots(records) : 0;
    if (static_cast<int>(copy.size()) != n) {
        return false;
    }
    for (int i = 0; i < n; ++i) {
        if (!SameSlot(records.phonebookTable[i], copy[static_cast<size_t>(i)])) {
            return false;
        }
    }
    return true;
}

bool SameSlot(const PhonebookEntry& a, const PhonebookEntry& b) {
    if (a.kind != b.kind || a.memberMark != b.memberMark || SlotName(a) != SlotName(b)) {
        return false;
    }
    return a.kind == 0 ? SlotNumber(a) == SlotNumber(b)
                       : std::memcmp(a.members, b.members, kMembersLength) == 0;
}
