#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/machine_record.h"

// Table operations behind the Phonebook page and its two editors. They work
// on the phonebook table of the records they are given and never talk to the
// machine.

// 1 while the page shows the speed-dial slots, 0 for the one-touch slots; the
// group dial editor reads it to choose its mode.
extern int& speedDialView;

// The texts of a slot as the lists show them, never read past their fields.
std::string SlotName(const PhonebookEntry& e);
std::string SlotNumber(const PhonebookEntry& e);
// "*GROUP DIAL*" for a group, else the number.
std::string SlotNumberColumn(const PhonebookEntry& e);
extern const char* const kGroupDialText;
// Neither a group nor a name nor a number: what the lists show as unused.
bool SlotIsEmpty(const PhonebookEntry& e);

// Enabled states of the page's Edit and Group dial buttons.
struct EditButtonStates {
    bool edit = true;
    bool groupDial = true;
};

// The click rules: a group enables only Group dial, a slot with a number only
// Edit, an empty slot both; a single-number slot with a name and no number
// leaves both as they were.
void ApplyClickRules(const PhonebookEntry& e, EditButtonStates& states);

// Stores the entry editor's texts in slot index (kind and memberMark stay).
void StoreSingleNumber(MachineRecords& records, int index, const std::string& name,
                       const std::string& number);

// Stores a confirmed group: kind 1, the name and the 46-byte member field. A
// group without members and without a memberMark becomes an empty slot.
void StoreGroup(MachineRecords& records, int index, const std::string& name,
                const uint8_t* members);

// Deletes slot index as the given view (1 speed-dial, 0 one-touch) sees it;
// a group is taken apart first. False, with nothing changed, when a group
// holds the slot or it carries a memberMark: the caller beeps.
bool DeleteSlot(MachineRecords& records, int index, int viewKind);

// The group slots whose members include slot index, in table order.
std::vector<int> GroupsHolding(const MachineRecords& records, int index);

// Deletes every slot that no group holds and that carries no memberMark.
// Returns the number of slots refused; the caller beeps once for each.
int DeleteAllSlots(MachineRecords& records);

// Do two slots say the same: kind, mark, name and number or members? Bytes
// past a text's end do not count.
bool SameSlot(const PhonebookEntry& a, const PhonebookEntry& b);

// A copy of the table's slots, to tell later whether it has changed.
std::vector<PhonebookEntry> CopyOfTable(const MachineRecords& records);
// Does the table say what `copy` said: the same slots with the same kinds,
// marks, names and numbers or members? Bytes past a text's end do not count.
bool TableMatches(const MachineRecords& records, const std::vector<PhonebookEntry>& copy);

// The group dial editor's view of who is in the group being edited.
constexpr int kIncludeStateSlots = 256;
constexpr int kIncluded = 2;
constexpr int kRemoved = 1;
extern int (&includeState)[kIncludeStateSlots];
void ClearIncludeState();
bool IsIncluded(int slot);

// Members named by a member field, in list order: in the speed-dial mode the
// one-touch members first, then the speed-dial members; in the one-touch mode
// the one speed-dial group that byte 0 names (none when it is 0).
std::vector<int> GroupMembers(const MachineRecords& records, const uint8_t* members,
                              bool speedDialMode);

// The slots that group slot index holds, ascending: a group in a speed-dial
// slot holds the members of its two bitmaps, one in a one-touch slot the
// speed-dial group its byte 0 names (none when that is 0). Empty for a
// single-number slot or an index outside the table.
std::vector<int> GroupMemberSlots(const MachineRecords& records, int index);

// Whether slot i may be offered for a group: in the speed-dial mode a
// single-number slot with a number that is not included; in the one-touch
// mode a group (kind exactly 1) other than the one byte 0 names.
bool OfferedForGroup(const MachineRecords& records, int slot, const uint8_t* members,
                     bool speedDialMode);

// Rebuilds a 46-byte member field from includeState.
void BuildMemberField(const MachineRecords& records, uint8_t* members, bool speedDialMode);
