#include "protocol/phonebook.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "link/port.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "protocol/exchange.h"
#include "protocol/inquiry.h"
#include "protocol/record_trace.h"

namespace {

constexpr auto kGetRequest = frame::Request({frame::kOpRead, frame::kRecordPhonebook, 0xFF});
constexpr int32_t kGetRequestSize = kGetRequest.size();
constexpr int32_t kGetHeadSize = 11;
constexpr int32_t kSetHeadSize = 10;
constexpr int32_t kAckSize = 10;
constexpr int32_t kDumpSize = 100;
constexpr int kMaxSlots = 255; // slot numbers travel as single bytes

// TrimRight for a field that may lack its terminator.
void TrimField(char* text, size_t width) {
    size_t length = strnlen(text, width);
    while (length > 0 && text[length - 1] == ' ') {
        text[--length] = 0;
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
    if (entry.kind == 0) {
        TrimField(entry.number, sizeof entry.number);
    }
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

bool AllocatePhonebookTable(int n) {
    FreePhonebookTable();
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
    PhonebookTable = table;
    groupRefCount = counts;
    phonebookSlotCount = n;
    return true;
}

void FreePhonebookTable() {
    std::free(PhonebookTable);
    std::free(groupRefCount);
    PhonebookTable = nullptr;
    groupRefCount = nullptr;
    phonebookSlotCount = 0;
}

int PhonebookSlots() {
    if (PhonebookTable == nullptr || groupRefCount == nullptr) {
        return 0;
    }
    int n = inquiryRecord.capacityA + inquiryRecord.capacityB;
    if (n > phonebookSlotCount) {
        n = phonebookSlotCount;
    }
    return n > kMaxSlots ? kMaxSlots : n;
}

int SpeedDialSlots() {
    int n = PhonebookSlots();
    int s = inquiryRecord.capacityB;
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

int Mfp_GetPhonebook() {
    const int n = PhonebookSlots();
    const int32_t dataSize = kPhonebookRecordSize * n;
    // The fixed waits and four reads: the head, the records and two retries.
    ExchangeScope exchange(
        ExchangeBudgetMs(1000 + 1000 + 500 + 500, 4, kGetRequestSize + kGetHeadSize + dataSize));

    int32_t written = PortWrite(kGetRequest.data(), kGetRequestSize);
    platform::OutputDebugString("===> GET PHONEBOOK <===\n");
    HexDump(kGetRequest.data(), kGetRequestSize);
    TraceNumber("WriteData = %d \n", written);
    DelayMs(1000);
    if (written != kGetRequestSize) {
        return 0;
    }

    const int32_t bufferSize = kGetHeadSize + dataSize;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[bufferSize]());
    if (!buffer) {
        platform::OutputDebugString("Mfp_GetPhonebook() - Memory Allocation error! \n");
        return 0;
    }
    int32_t head = PortRead(buffer.get(), kGetHeadSize);
    TraceNumber("ReadData = %d \n", head);
    if (head != kGetHeadSize) {
        return 0;
    }
    platform::Sleep(1000);

    int32_t received =
        dataSize > 0 ? NonNegative(PortRead(buffer.get() + kGetHeadSize, dataSize)) : 0;
    TraceNumber("Size to read = %d \n", dataSize);
    TraceNumber("ReadData = %d \n", received);
    HexDump(buffer.get(), bufferSize < kDumpSize ? bufferSize : kDumpSize);
    if (received < dataSize) {
        uint8_t* rest = buffer.get() + kGetHeadSize + received;
        platform::Sleep(500);
        int32_t retry = PortRead(rest, dataSize - received);
        TraceNumber("Retry Read(n) = %d \n", retry);
        if (retry < 1) {
            platform::Sleep(500);
            retry = PortRead(rest, dataSize - received);
        }
        received += NonNegative(retry);
    }

    if (received <= 11) {
        return 0;
    }
    TraceNumber("Length = %d \n", ReadBe16(buffer.get() + 2));
    int count = buffer[10];
    TraceNumber("Number of entries = %d \n", count);
    if (count > n) {
        count = n;
    }
    // Half an answer would leave the table a mix of old and zeroed slots;
    // another answer's bytes would fill it with phantom entries.
    if (received < kPhonebookRecordSize * count ||
        !AnswerCovers(buffer.get(), kGetHeadSize + received,
                      kGetHeadSize + kPhonebookRecordSize * count)) {
        return 0;
    }
    for (int r = 0; r < count; ++r) {
        const uint8_t* record = buffer.get() + kGetHeadSize + kPhonebookRecordSize * r;
        int slot = record[0];
        if (slot < 1 || slot > n) {
            continue;
        }
        ApplyRecord(record, PhonebookTable[slot - 1]);
    }
    return 1;
}

int Mfp_SetPhonebook() {
    platform::OutputDebugString("===> SET PHONEBOOK <===\n");
    const int n = PhonebookSlots();
    const int32_t size = kSetHeadSize + kPhonebookRecordSize * n;
    // The fixed waits, three writes that may wait and the acknowledgement.
    ExchangeScope exchange(ExchangeBudgetMs(500 + 500 + 1000, 4, size + kAckSize));
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
        BuildRecord(i, PhonebookTable[i], b + kSetHeadSize + kPhonebookRecordSize * i);
    }

    int32_t written = NonNegative(PortWrite(b, size));
    TraceNumber("WriteData = %d \n", written);
    if (written < size) {
        platform::Sleep(500);
        int32_t retry = PortWrite(b + written, size - written);
        TraceNumber("WriteData(retry) = %d \n", retry);
        if (retry == 0) {
            platform::Sleep(500);
            retry = PortWrite(b + written, size - written);
        }
        written += NonNegative(retry);
    }
    platform::Sleep(1000);
    if (written != size) {
        return 0;
    }

    int32_t ack = PortRead(b, kAckSize);
    TraceNumber("Size to read = %d \n", kAckSize);
    TraceNumber("ReadData = %d \n", ack);
    HexDump(b, kAckSize);
    const bool machineHead = ack >= 2 && b[0] == frame::kEsc && b[1] == frame::kHead;
    return machineHead && ack == AnnouncedLength(b, ack) + 4 ? 1 : 0;
}

char* TrimRight(char* text) {
    if (text != nullptr) {
        TrimField(text, std::strlen(text));
    }
    return text;
}

void RecountGroupRefs() {
    const int n = PhonebookSlots();
    const int s = SpeedDialSlots();
    if (n == 0) {
        return;
    }
    std::memset(groupRefCount, 0, n);
    for (int i = s; i < n; ++i) {
        const PhonebookEntry& entry = PhonebookTable[i];
        if (entry.kind != 0 && entry.members[0] < n) {
            ++groupRefCount[entry.members[0]];
        }
    }
    const int oneTouchBits = n - s < kOneTouchBitmapBits ? n - s : kOneTouchBitmapBits;
    const int speedBits = s < kSpeedBitmapBits ? s : kSpeedBitmapBits;
    for (int i = 0; i < s; ++i) {
        const PhonebookEntry& entry = PhonebookTable[i];
        if (entry.kind == 0) {
            continue;
        }
        for (int k = 0; k < oneTouchBits; ++k) {
            if (MemberBit(entry.members, kOneTouchBitmapOffset, k)) {
                ++groupRefCount[s + k];
            }
        }
        for (int k = 0; k < speedBits; ++k) {
            if (MemberBit(entry.members, kSpeedBitmapOffset, k)) {
                ++groupRefCount[k];
            }
        }
    }
}
