#pragma once
#include <cstddef>
#include <cstdint>

// One phonebook slot, 70 bytes, exactly as the phonebook file stores it.
struct PhonebookEntry {
    uint8_t kind;       // 0 single number (or empty), non-zero group dial
    uint8_t memberMark; // set by the machine on an entry that a group holds
    char name[21];      // bytes 2..22, at most 20 characters
    union {
        char number[47];     // bytes 23..69, kind 0: at most 46 characters
        uint8_t members[47]; // bytes 23..68, kind != 0: the group member field
    };
};
static_assert(sizeof(PhonebookEntry) == 70);
static_assert(offsetof(PhonebookEntry, name) == 2);
static_assert(offsetof(PhonebookEntry, number) == 23);

constexpr int kPhonebookEntrySize = 70;
constexpr int kPhonebookRecordSize = 69; // wire form of one slot
constexpr int kNameLength = 20;
constexpr int kNumberLength = 46;
constexpr int kMembersLength = 46;
// Member field of a group in a speed-dial slot.
constexpr int kSpeedBitmapOffset = 0; // bits 0..199
constexpr int kSpeedBitmapBits = 200;
constexpr int kOneTouchBitmapOffset = 36; // bits 0..55
constexpr int kOneTouchBitmapBits = 56;

// The table (slot 0 first) and one reference count per slot live in the
// machine's records (phonebookTable, groupRefCount), allocated once at
// start-up and zero-filled; phonebookSlotCount is the number allocated.
struct MachineRecords;
struct LinkState;

// Allocates n zeroed slots and n zeroed counts, replacing any earlier table.
// False (and no table) when n is not positive or memory is short.
bool AllocatePhonebookTable(MachineRecords& records, int n);
void FreePhonebookTable(MachineRecords& records);

// N = capacityA + capacityB of the inquiry record, never more than the slots
// allocated; S = capacityB, never more than N.
int PhonebookSlots(const MachineRecords& records);
int SpeedDialSlots(const MachineRecords& records);

// Bit k of a member bitmap that starts at members[offset] (top bit first).
bool MemberBit(const uint8_t* members, int offset, int k);
void SetMemberBit(uint8_t* members, int offset, int k, bool on);

// Reads every slot from the machine into the table: 1 when the answer was
// applied. The table changes only when every announced record arrived; an
// answer of no records is a machine with an empty phonebook.
int Mfp_GetPhonebook(LinkState& link, MachineRecords& records);
// Writes every slot of the table to the machine: 1 when the whole request was
// written and the acknowledgement has its announced length, or, when no
// acknowledgement came, the machine's phonebook read back holds the table.
int Mfp_SetPhonebook(LinkState& link, const MachineRecords& records);

// Trailing blanks and 0xFF bytes of a number are padding: they become NULs.
void TrimNumberPadding(PhonebookEntry& entry);

// Replaces trailing blanks (0x20 only) with NULs in place; returns text.
char* TrimRight(char* text);

// Rebuilds groupRefCount from the table; references outside it are ignored.
void RecountGroupRefs(MachineRecords& records);
