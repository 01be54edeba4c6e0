#pragma once
// The get answer of a record of the registry. Input: one byte, the most a
// read returns (0: no limit), then the machine's answer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_machine.h"
#include "model/panel_context.h"
#include "protocol/record_registry.h"
#include "protocol/system_status.h"

namespace fuzz {

inline bool InRange(const StatusDateTime& t) {
    StatusDateTime clamped = t;
    ClampStatusDateTime(clamped);
    return std::memcmp(&clamped, &t, sizeof t) == 0;
}

inline int GetRecordAnswer(const char* name, const uint8_t* data, size_t size) {
    PanelContext context; // each input starts from a fresh program
    if (!PrepareAnswer(context, data, size)) {
        return 0;
    }
    const RecordEntry& r = *FindRecord(name);
    const RecordDescriptor& d = r.descriptor;
    const size_t limit = data[0];

    const void* record = r.record(context.records);
    const std::vector<uint8_t> before(static_cast<const uint8_t*>(record),
                                      static_cast<const uint8_t*>(record) + d.recordSize);
    const int ok = r.get(context.link, context.records);
    if (!ok) {
        if (std::memcmp(before.data(), record, d.recordSize) != 0) {
            Fail("a refused answer changed the record");
        }
        return 0;
    }
    // Only an answer with the machine's head and the whole block counts.
    size_t got = std::min<size_t>(size - 1, static_cast<size_t>(d.get.answerSize));
    if (limit > 0) {
        got = std::min(got, limit);
    }
    if (got < static_cast<size_t>(d.AnswerNeed()) || data[1] != 0x1B || data[2] != 0xA4) {
        Fail("an answer without the whole block or the head was taken");
    }
    // The windows print the texts and show the dates in their controls.
    bool dates = false;
    for (const FieldDescriptor& f : d.fields) {
        const auto* member = static_cast<const uint8_t*>(record) + f.recordOffset;
        if (f.kind == FieldKind::Text && member[f.width] != 0) {
            Fail("a text is not terminated");
        }
        if (f.kind == FieldKind::DateTime) {
            StatusDateTime t;
            std::memcpy(&t, member, sizeof t);
            if (!InRange(t)) {
                Fail("a date is out of range");
            }
            dates = true;
        }
    }
    // What the record holds goes back to the machine unchanged; without
    // dates to bring into range, it is the block the machine sent.
    std::vector<uint8_t> block(d.blockSize);
    EncodeFields(d, record, block.data());
    std::vector<uint8_t> again(d.recordSize);
    DecodeFields(d, block.data(), again.data());
    std::vector<uint8_t> twice(d.blockSize);
    EncodeFields(d, again.data(), twice.data());
    if (block != twice) {
        Fail("the block does not survive a round trip");
    }
    if (!dates && std::memcmp(block.data(), data + 1 + frame::kDataOffset, block.size()) != 0) {
        Fail("the record differs from the block the machine sent");
    }
    return 0;
}

} // namespace fuzz
