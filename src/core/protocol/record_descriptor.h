#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/exchange.h"
#include "protocol/system_status.h"

// What a machine record and its fields look like; the records themselves are
// in protocol/record_table.h.

enum class FieldKind {
    Byte,     // uint8_t
    Be16,     // uint16_t, big-endian on the wire
    Be32,     // int32_t, big-endian on the wire
    Text,     // char[width + 1], always terminated in the record
    DateTime, // StatusDateTime, 6 bytes; brought into range when read
    Bytes,    // uint8_t[width], carried as they are
};

// A name a script may use for one value of a field.
struct ValueName {
    uint32_t value;
    const char* name;
};

// The characters a text field takes (a filter mode of protocol/text_filter.h)
// and whether its letters become capitals, as the page's edit has it.
struct TextRule {
    int filterMode = 0;
    bool upperCase = false;
};

// A member of a record struct. RECORD_MEMBER(SystemSetup, zoom) names it.
struct RecordMember {
    const char* name;
    size_t offset;
    size_t size;
};
#define RECORD_MEMBER(R, m) (RecordMember{#m, offsetof(R, m), sizeof(R::m)})

struct FieldDescriptor {
    // Full range of the wire width; value names give the range of a choice.
    constexpr FieldDescriptor(RecordMember member, int offset, FieldKind kind)
        : FieldDescriptor(member, offset, kind, 0, WidthMaximum(kind)) {}
    constexpr FieldDescriptor(RecordMember member, int offset, FieldKind kind, uint32_t minimum,
                              uint32_t maximum, const char* unit = nullptr)
        : name(member.name), recordOffset(member.offset), recordSize(member.size),
          wireOffset(offset), kind(kind), width(WireWidth(kind, member.size)), minimum(minimum),
          maximum(maximum), unit(unit) {}
    constexpr FieldDescriptor(RecordMember member, int offset, FieldKind kind,
                              std::span<const ValueName> names)
        : FieldDescriptor(member, offset, kind, names.front().value, names.back().value) {
        this->names = names;
    }
    constexpr FieldDescriptor(RecordMember member, int offset, FieldKind kind, TextRule rule)
        : FieldDescriptor(member, offset, kind) {
        text = rule;
    }

    const char* name; // the member's, and faxrcp-cli's
    size_t recordOffset;
    size_t recordSize;
    int wireOffset; // in the block, which answers carry from frame::kDataOffset
    FieldKind kind;
    int width; // wire bytes
    // Numbers: what the Settings and Advanced pages offer; dates: the years.
    // faxrcp-cli holds what it sends to them; the get routines do not.
    uint32_t minimum;
    uint32_t maximum;
    const char* unit;                 // of a number, for the manual page: "percent"; or nullptr
    std::span<const ValueName> names; // ascending values
    TextRule text;                    // Text fields

  private:
    static constexpr uint32_t WidthMaximum(FieldKind kind) {
        switch (kind) {
        case FieldKind::Byte:
            return 0xFF;
        case FieldKind::Be16:
            return 0xFFFF;
        case FieldKind::Be32:
            return 0xFFFFFFFF;
        default:
            return 0;
        }
    }
    // A throw stops the compilation of a table line whose kind does not fit
    // its member.
    static constexpr int WireWidth(FieldKind kind, size_t size) {
        const auto fits = [](bool ok, size_t width) {
            if (!ok) {
                throw "the field kind does not fit the member";
            }
            return static_cast<int>(width);
        };
        switch (kind) {
        case FieldKind::Byte:
            return fits(size == 1, 1);
        case FieldKind::Be16:
            return fits(size == 2, 2);
        case FieldKind::Be32:
            return fits(size == 4, 4);
        case FieldKind::Text:
            return fits(size > 1, size - 1);
        case FieldKind::DateTime:
            return fits(size == sizeof(StatusDateTime), 6);
        case FieldKind::Bytes:
            return fits(size > 0, size);
        }
        return fits(false, 0);
    }
};

struct SetSteps {
    const char* banner; // nullptr: none
    uint32_t delayMs;   // between the write and the acknowledgement
    bool dumpRequest;
    bool traceAcknowledgement;
};

struct RecordDescriptor {
    uint8_t code;
    int blockSize;
    AnswerSteps get;
    bool exactAnswer; // a get answer must be exactly its announced length
    bool settable;
    SetSteps set;
    size_t recordSize;
    std::span<const FieldDescriptor> fields; // wire order

    constexpr auto GetRequest() const { return frame::Request({frame::kOpRead, code}); }
    // The set request is this head, then the block.
    constexpr auto SetHead() const { return frame::Request({frame::kOpWrite, code}, blockSize); }
    constexpr int SetRequestSize() const { return frame::kRequestHeadSize + blockSize; }
    // Bytes a get answer must bring: the head and the whole block.
    constexpr int AnswerNeed() const { return frame::kDataOffset + blockSize; }
    // Every field lies in the block, and the get reads enough to hold it.
    constexpr bool Consistent() const {
        for (const FieldDescriptor& f : fields) {
            if (f.wireOffset < 0 || f.wireOffset + f.width > blockSize) {
                return false;
            }
        }
        return get.answerSize >= AnswerNeed();
    }
};

// The wire block of a record, and back. record points at the struct the
// descriptor describes.
void EncodeFields(const RecordDescriptor& descriptor, const void* record, uint8_t* block);
void DecodeFields(const RecordDescriptor& descriptor, const uint8_t* block, void* record);

// Reads the block into the record: 1 on success, else 0. Only an answer that
// brings the whole block counts (AnswerCovers); the record changes only then.
int GetRecord(LinkState& link, const RecordDescriptor& descriptor, void* record);
// Sends the record: 1 when the machine took it, shown by a well-formed
// acknowledgement or, lacking one, by reading the block back unchanged.
int SetRecord(LinkState& link, const RecordDescriptor& descriptor, const void* record);
