#include "protocol/record_descriptor.h"

#include <cstring>
#include <vector>

#include "link/port.h"
#include "platform/debug_output.h"
#include "protocol/record_trace.h"

namespace {

constexpr int32_t kAcknowledgementSize = 10;

void EncodeDateTime(const StatusDateTime& t, uint8_t* b) {
    b[0] = t.month;
    b[1] = t.day;
    WriteBe16(b + 2, t.year);
    b[4] = t.hour;
    b[5] = t.minute;
}

StatusDateTime DecodeDateTime(const uint8_t* b) {
    StatusDateTime t = {b[0], b[1], ReadBe16(b + 2), b[4], b[5]};
    ClampStatusDateTime(t);
    return t;
}

// Members are copied, never aliased: the record is only known by its bytes.
template <typename T> T Load(const uint8_t* member) {
    T value;
    std::memcpy(&value, member, sizeof value);
    return value;
}

template <typename T> void Store(uint8_t* member, T value) {
    std::memcpy(member, &value, sizeof value);
}

void EncodeField(const FieldDescriptor& f, const uint8_t* member, uint8_t* slot) {
    switch (f.kind) {
    case FieldKind::Byte:
        slot[0] = member[0];
        break;
    case FieldKind::Be16:
        WriteBe16(slot, Load<uint16_t>(member));
        break;
    case FieldKind::Be32:
        WriteBe32(slot, Load<uint32_t>(member));
        break;
    case FieldKind::Text:
        // The field's bytes as they are: what the machine holds after an
        // embedded zero goes back unchanged.
        std::memcpy(slot, member, f.width);
        break;
    case FieldKind::DateTime:
        EncodeDateTime(Load<StatusDateTime>(member), slot);
        break;
    case FieldKind::Bytes:
        std::memcpy(slot, member, f.width);
        break;
    }
}

void DecodeField(const FieldDescriptor& f, const uint8_t* slot, uint8_t* member) {
    switch (f.kind) {
    case FieldKind::Byte:
        member[0] = slot[0];
        break;
    case FieldKind::Be16:
        Store(member, ReadBe16(slot));
        break;
    case FieldKind::Be32:
        Store(member, ReadBe32(slot));
        break;
    case FieldKind::Text:
        std::memset(member, 0, f.recordSize);
        std::memcpy(member, slot, f.width);
        break;
    case FieldKind::DateTime:
        Store(member, DecodeDateTime(slot));
        break;
    case FieldKind::Bytes:
        std::memcpy(member, slot, f.width);
        break;
    }
}

} // namespace

void EncodeFields(const RecordDescriptor& d, const void* record, uint8_t* block) {
    const auto* base = static_cast<const uint8_t*>(record);
    for (const FieldDescriptor& f : d.fields) {
        EncodeField(f, base + f.recordOffset, block + f.wireOffset);
    }
}

void DecodeFields(const RecordDescriptor& d, const uint8_t* block, void* record) {
    auto* base = static_cast<uint8_t*>(record);
    for (const FieldDescriptor& f : d.fields) {
        DecodeField(f, block + f.wireOffset, base + f.recordOffset);
    }
}

namespace {

// Whether a get answer brings the whole block and nothing that is not the
// record's: part of a block, or another answer's bytes, would put wrong values
// into the record, which the next set would then send to the machine.
bool AnswerWhole(const RecordDescriptor& d, const Answer& answer) {
    const int32_t n = answer.received;
    return AnswerCovers(answer.bytes.get(), n, d.AnswerNeed()) &&
           (!d.exactAnswer || n == AnnouncedLength(answer.bytes.get(), n) + 4);
}

} // namespace

int GetRecord(LinkState& link, const RecordDescriptor& d, void* record) {
    const Answer answer = ReadAnswer(link, d.GetRequest(), d.get);
    if (!answer.bytes) {
        return 0;
    }
    const int32_t length = AnnouncedLength(answer.bytes.get(), answer.received);
    if (length != 0) {
        TraceNumber("Length = %d \n", length);
    }
    if (!AnswerWhole(d, answer)) {
        return 0;
    }
    DecodeFields(d, answer.bytes.get() + frame::kDataOffset, record);
    return 1;
}

namespace {

// Writes the request and reads the acknowledgement as one exchange: 1 when it
// is well formed, 0 when the request did not go out whole, -1 when the
// machine did not say whether it took the block.
int WriteRecord(LinkState& link, const RecordDescriptor& d, const std::vector<uint8_t>& request) {
    ExchangeScope exchange(
        link, ExchangeBudgetMs(d.set.delayMs, 1, request.size() + kAcknowledgementSize));
    const auto size = static_cast<int32_t>(request.size());
    const int32_t written = PortWrite(link, request.data(), size);
    if (d.set.banner != nullptr) {
        platform::OutputDebugString(d.set.banner);
    }
    TraceNumber("WriteData = %d \n", written);
    if (d.set.dumpRequest) {
        HexDump(request.data(), size);
    }
    DelayMs(d.set.delayMs);
    if (written != size) {
        return 0;
    }
    uint8_t acknowledgement[kAcknowledgementSize] = {};
    const int32_t n = PortRead(link, acknowledgement, kAcknowledgementSize);
    if (d.set.traceAcknowledgement) {
        TraceNumber("ReadData = %d \n", n);
    }
    return AcknowledgementWellFormed(acknowledgement, n) ? 1 : -1;
}

// Reads the block back and compares it with what was sent.
bool MachineHolds(LinkState& link, const RecordDescriptor& d, const uint8_t* block) {
    const Answer answer = ReadAnswer(link, d.GetRequest(), d.get);
    if (!answer.bytes || !AnswerWhole(d, answer)) {
        return false;
    }
    return std::memcmp(answer.bytes.get() + frame::kDataOffset, block, d.blockSize) == 0;
}

} // namespace

int SetRecord(LinkState& link, const RecordDescriptor& d, const void* record) {
    if (!d.settable) {
        return 0;
    }
    const auto head = d.SetHead();
    std::vector<uint8_t> request(d.SetRequestSize());
    std::memcpy(request.data(), head.data(), head.size());
    EncodeFields(d, record, request.data() + head.size());

    const int acknowledged = WriteRecord(link, d, request);
    if (acknowledged >= 0) {
        return acknowledged;
    }
    // A machine that took the block without a proper answer shows it on a
    // read; one that missed it shows its old values.
    return MachineHolds(link, d, request.data() + head.size()) ? 1 : 0;
}
