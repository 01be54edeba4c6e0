#include "protocol/phonebook.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "link/port.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "protocol/exchange.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/record_trace.h"

namespace {

constexpr auto kGetRequest = frame::Request({frame::kOpRead, frame::kRecordPhonebook, 0xFF});
constexpr int32_t kGetRequestSize = kGetRequest.size();
constexpr int32_t kGetHeadSize = 11;
constexpr int32_t kSetHeadSize = 10;
constexpr int32_t kAckSize = 10;
constexpr int32_t kDumpSize = 100;
constexpr int kMaxSlots = 255; // slot numbers travel as single bytes

// 0xFF is the padding the write puts after a number, never a dialling
// character.
bool IsPadding(char c, bool number) {
    return c == ' ' || (number && static_cast<uint8_t>(c) == 0xFF);
}

// The text of a field that may lack its terminator, without its padding.
std::string_view Trimmed(const char* text, size_t width, bool number) {
    size_t length = strnlen(text, width);
    while (length > 0 && IsPadding(text[length - 1], number)) {
        --length;
    }
    return {text, length};
}

// TrimRight for a field that may lack its terminator.
void TrimField(char* text, size_t width, bool number = false) {
    for (size_t i = Trimmed(text, width, number).size(); i < width && text[i] != 0; ++i) {
        text[i] = 0;
    }
}

int32_t NonNegative(int32_t count) {
    return count < 0 ? 0 : count;
}

// Puts one wire record (69 bytes) into its slot.
void ApplyRecord(const uint8_t* record, PhonebookEntry& entry) {
    entry.kind = record[1];
    entry.memberMark = record[2];
    std::memcpy(entry.name, record + 3, kNameLength);
    TrimField(entry.name, sizeof entry.name);
    std::memcpy(entry.members, record + 23, kMembersLength);
    TrimNumberPadding(entry);
}

// Whether two slots say the same to the machine: the same kind, name and
// number or members, padding aside. The machine keeps memberMark itself.
bool SameSlot(const PhonebookEntry& a, const PhonebookEntry& b) {
    if ((a.kind == 0) != (b.kind == 0) ||
        Trimmed(a.name, kNameLength, false) != Trimmed(b.name, kNameLength, false)) {
        return false;
    }
    if (a.kind == 0) {
        return Trimmed(a.number, kNumberLength, true) == Trimmed(b.number, kNumberLength, true);
    }
    return a.kind == b.kind && std::memcmp(a.members, b.members, kMembersLength) == 0;
}

// The wire record of slot index i; the record bytes are 0xFF beforehand.
void BuildRecord(int i, const PhonebookEntry& entry, uint8_t* record) {
    record[0] = static_cast<uint8_t>(i + 1);
    record[1] = entry.kind;
    record[2] = entry.memberMark;
    size_t nameLength = strnlen(entry.name, kNameLength);
    std::memset(record + 3, 0, kNameLength);
    std::memcpy(record + 3, entry.name, nameLength);
    if (entry.kind == 0) {
        size_t numberLength = strnlen(entry.number, kNumberLength);
        std::memcpy(record + 23, entry.number, numberLength);
    } else {
        std::memcpy(record + 23, entry.members, kMembersLength);
    }
}

} // namespace

bool AllocatePhonebookTable(MachineRecords& records, int n) {
    FreePhonebookTable(records);
    if (n <= 0) {
        return false;
    }
    auto* table = static_cast<PhonebookEntry*>(std::calloc(n, sizeof(PhonebookEntry)));
    auto* counts = static_cast<uint8_t*>(std::calloc(n, 1));
    if (table == nullptr || counts == nullptr) {
        std::free(table);
        std::free(counts);
        return false;
    }
    records.phonebookTable = table;
    records.groupRefCount = counts;
    records.phonebookSlotCount = n;
    return true;
}

void FreePhonebookTable(MachineRecords& records) {
    std::free(records.phonebookTable);
    std::free(records.groupRefCount);
    records.phonebookTable = nullptr;
    records.groupRefCount = nullptr;
    records.phonebookSlotCount = 0;
}

int PhonebookSlots(const MachineRecords& records) {
    if (records.phonebookTable == nullptr || records.groupRefCount == nullptr) {
        return 0;
    }
    int n = records.inquiryRecord.capacityA + records.inquiryRecord.capacityB;
    if (n > records.phonebookSlotCount) {
        n = records.phonebookSlotCount;
    }
    return n > kMaxSlots ? kMaxSlots : n;
}

int SpeedDialSlots(const MachineRecords& records) {
    int n = PhonebookSlots(records);
    int s = records.inquiryRecord.capacityB;
    return s > n ? n : s;
}

bool MemberBit(const uint8_t* members, int offset, int k) {
    return (members[offset + k / 8] & (0x80 >> (k % 8))) != 0;
}

void SetMemberBit(uint8_t* members, int offset, int k, bool on) {
    uint8_t mask = static_cast<uint8_t>(0x80 >> (k % 8));
    if (on) {
        members[offset + k / 8] |= mask;
    } else {
        members[offset + k / 8] &= static_cast<uint8_t>(~mask);
    }
}

namespace {

// The get exchange. On return buffer holds the head and the records; the
// result is how many whole records it brings, at most the table's n, or -1
// when no answer with a frame head came.
int ReadPhonebookAnswer(LinkState& link, std::unique_ptr<uint8_t[]>& buffer, int n) {
    const int32_t dataSize = kPhonebookRecordSize * n;
    // The fixed waits and four reads: the head, the records and two retries.
    ExchangeScope exchange(link, ExchangeBudgetMs(1000 + 1000 + 500 + 500, 4,
                                                  kGetRequestSize + kGetHeadSize + dataSize));

    int32_t written = PortWrite(link, kGetRequest.data(), kGetRequestSize);
    platform::OutputDebugString("===> GET PHONEBOOK <===\n");
    HexDump(kGetRequest.data(), kGetRequestSize);
    TraceNumber("WriteData = %d \n", written);
    DelayMs(1000);
    if (written != kGetRequestSize) {
        return -1;
    }

    const int32_t bufferSize = kGetHeadSize + dataSize;
    buffer.reset(new (std::nothrow) uint8_t[bufferSize]());
    if (!buffer) {
        platform::OutputDebugString("Mfp_GetPhonebook() - Memory Allocation error! \n");
        return -1;
    }
    int32_t head = PortRead(link, buffer.get(), kGetHeadSize);
    TraceNumber("ReadData = %d \n", head);
    if (head != kGetHeadSize) {
        return -1;
    }
    platform::Sleep(1000);

    int32_t received =
        dataSize > 0 ? NonNegative(PortRead(link, buffer.get() + kGetHeadSize, dataSize)) : 0;
    TraceNumber("Size to read = %d \n", dataSize);
    TraceNumber("ReadData = %d \n", received);
    HexDump(buffer.get(), bufferSize < kDumpSize ? bufferSize : kDumpSize);
    if (received < dataSize) {
        uint8_t* rest = buffer.get() + kGetHeadSize + received;
        platform::Sleep(500);
        int32_t retry = PortRead(link, rest, dataSize - received);
        TraceNumber("Retry Read(n) = %d \n", retry);
        if (retry < 1) {
            platform::Sleep(500);
            retry = PortRead(link, rest, dataSize - received);
        }
        received += NonNegative(retry);
    }

    // Another answer's bytes would fill the table with phantom entries.
    if (buffer[0] != frame::kEsc || buffer[1] != frame::kHead) {
        return -1;
    }
    // The announced length is only traced: the count byte and the records
    // that came say what the answer holds.
    TraceNumber("Length = %d \n", ReadBe16(buffer.get() + 2));
    int count = buffer[10];
    TraceNumber("Number of entries = %d \n", count);
    if (count > n) {
        count = n;
    }
    // Half an answer would leave the table a mix of the machine's slots and
    // old ones, which the next Write would send as the machine's.
    if (received < kPhonebookRecordSize * count) {
        return -1;
    }
    return count;
}

// Puts the count records of an answer into table, a table of n slots.
void ApplyRecords(const uint8_t* answer, int count, PhonebookEntry* table, int n) {
    for (int r = 0; r < count; ++r) {
        const uint8_t* record = answer + kGetHeadSize + kPhonebookRecordSize * r;
        int slot = record[0];
        if (slot < 1 || slot > n) {
            continue;
        }
        ApplyRecord(record, table[slot - 1]);
    }
}

// Whether the machine, read back, holds every slot as the table has it.
bool MachineHoldsTable(LinkState& link, const MachineRecords& records, int n) {
    std::unique_ptr<uint8_t[]> buffer;
    const int count = ReadPhonebookAnswer(link, buffer, n);
    if (count < 0) {
        return false;
    }
    std::vector<PhonebookEntry> held(records.phonebookTable, records.phonebookTable + n);
    ApplyRecords(buffer.get(), count, held.data(), n);
    for (int i = 0; i < n; ++i) {
        if (!SameSlot(held[i], records.phonebookTable[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

void TrimNumberPadding(PhonebookEntry& entry) {
    if (entry.kind == 0) {
        TrimField(entry.number, kNumberLength, true);
    }
}

int Mfp_GetPhonebook(LinkState& link, MachineRecords& records) {
    const int n = PhonebookSlots(records);
    std::unique_ptr<uint8_t[]> buffer;
    const int count = ReadPhonebookAnswer(link, buffer, n);
    if (count < 0) {
        return 0;
    }
    ApplyRecords(buffer.get(), count, records.phonebookTable, n);
    return 1;
}

namespace {

// The set exchange: 1 when the acknowledgement is well formed, 0 when it is
// not or the request did not go out whole, -1 when no acknowledgement came.
int WritePhonebook(LinkState& link, const MachineRecords& records, int n) {
    platform::OutputDebugString("===> SET PHONEBOOK <===\n");
    const int32_t size = kSetHeadSize + kPhonebookRecordSize * n;
    // The fixed waits, three writes that may wait and the acknowledgement.
    ExchangeScope exchange(link, ExchangeBudgetMs(500 + 500 + 1000, 4, size + kAckSize));
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size]);
    if (!buffer) {
        platform::OutputDebugString("Mfp_SetPhonebook() - Memory Allocation error! \n");
        return 0;
    }
    uint8_t* b = buffer.get();
    std::memset(b, 0xFF, size);
    const auto head = frame::Request(
        {frame::kOpWrite, frame::kRecordPhonebook, static_cast<uint8_t>(n)}, size - kSetHeadSize);
    std::memcpy(b, head.data(), head.size());
    for (int i = 0; i < n; ++i) {
        BuildRecord(i, records.phonebookTable[i], b + kSetHeadSize + kPhonebookRecordSize * i);
    }

    int32_t written = NonNegative(PortWrite(link, b, size));
    TraceNumber("WriteData = %d \n", written);
    if (written < size) {
        platform::Sleep(500);
        int32_t retry = PortWrite(link, b + written, size - written);
        TraceNumber("WriteData(retry) = %d \n", retry);
        if (retry == 0) {
            platform::Sleep(500);
            retry = PortWrite(link, b + written, size - written);
        }
        written += NonNegative(retry);
    }
    platform::Sleep(1000);
    if (written != size) {
        return 0;
    }

    int32_t ack = PortRead(link, b, kAckSize);
    TraceNumber("Size to read = %d \n", kAckSize);
    TraceNumber("ReadData = %d \n", ack);
    HexDump(b, kAckSize);
    if (ack <= 0) {
        return -1;
    }
    return AcknowledgementWellFormed(b, ack) ? 1 : 0;
}

} // namespace

int Mfp_SetPhonebook(LinkState& link, const MachineRecords& records) {
    const int n = PhonebookSlots(records);
    const int acknowledged = WritePhonebook(link, records, n);
    if (acknowledged >= 0) {
        return acknowledged;
    }
    // A machine that took the slots without a word shows them on a read.
    return MachineHoldsTable(link, records, n) ? 1 : 0;
}

char* TrimRight(char* text) {
    if (text != nullptr) {
        TrimField(text, std::strlen(text));
    }
    return text;
}

void RecountGroupRefs(MachineRecords& records) {
    const int n = PhonebookSlots(records);
    const int s = SpeedDialSlots(records);
    if (n == 0) {
        return;
    }
    std::memset(records.groupRefCount, 0, n);
    for (int i = s; i < n; ++i) {
        const PhonebookEntry& entry = records.phonebookTable[i];
        if (entry.kind != 0 && entry.members[0] < n) {
            ++records.groupRefCount[entry.members[0]];
        }
    }
    const int oneTouchBits = n - s < kOneTouchBitmapBits ? n - s : kOneTouchBitmapBits;
    const int speedBits = s < kSpeedBitmapBits ? s : kSpeedBitmapBits;
    for (int i = 0; i < s; ++i) {
        const PhonebookEntry& entry = records.phonebookTable[i];
        if (entry.kind == 0) {
            continue;
        }
        for (int k = 0; k < oneTouchBits; ++k) {
            if (MemberBit(entry.members, kOneTouchBitmapOffset, k)) {
                ++records.groupRefCount[s + k];
            }
        }
        for (int k = 0; k < speedBits; ++k) {
            if (MemberBit(entry.members, kSpeedBitmapOffset, k)) {
                ++records.groupRefCount[k];
            }
        }
    }
}
