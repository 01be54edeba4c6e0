// The record table itself: requests, layout, encoding and value names.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "protocol/record_registry.h"
#include "support/platform/bytes.h"

namespace {

ByteVector Of(const auto& array) {
    return ByteVector(array.begin(), array.end());
}

// Each record once, under a name of its own, with the commands its
// descriptor allows.
TEST(RecordTable, RegistryNamesEachRecordOnce) {
    std::set<std::string> names;
    std::set<int> codes;
    for (const RecordEntry& r : RecordRegistry()) {
        EXPECT_TRUE(names.insert(r.name).second) << r.name;
        EXPECT_TRUE(codes.insert(r.descriptor.code).second) << r.name;
        EXPECT_EQ(FindRecord(r.name), &r);
        EXPECT_EQ(r.Settable(), r.descriptor.settable) << r.name;
        EXPECT_NE(r.get, nullptr);
        EXPECT_TRUE(RecordExistsFor(r.name, kFullMachineClass)) << r.name;
    }
    EXPECT_EQ(FindRecord("phonebook"), nullptr);
    EXPECT_FALSE(RecordExistsFor("phonebook", kFullMachineClass));
}

TEST(RecordTable, RequestsComeFromTheFrameConstants) {
    for (const RecordEntry& r : RecordRegistry()) {
        SCOPED_TRACE(r.name);
        const RecordDescriptor& d = r.descriptor;
        const uint8_t code = d.code;
        EXPECT_EQ(Of(d.GetRequest()), (ByteVector{frame::kEsc, frame::kHead, 0x00, 0x05, 0x50, 0xE0,
                                                  0x82, frame::kOpRead, code}));
        const int count = 5 + d.blockSize;
        EXPECT_EQ(
            Of(d.SetHead()),
            (ByteVector{frame::kEsc, frame::kHead, static_cast<uint8_t>(count >> 8),
                        static_cast<uint8_t>(count), 0x50, 0xE0, 0x82, frame::kOpWrite, code}));
        EXPECT_EQ(d.get.answerSize, frame::kDataOffset + d.blockSize);
    }
}

// Fields follow each other in wire order without gaps or overlaps, each in a
// member of its own.
TEST(RecordTable, FieldsTileTheBlockAndKeepToTheirMembers) {
    for (const RecordEntry& r : RecordRegistry()) {
        SCOPED_TRACE(r.name);
        const RecordDescriptor& d = r.descriptor;
        int next = 0;
        std::vector<bool> used(d.recordSize, false);
        for (const FieldDescriptor& f : d.fields) {
            SCOPED_TRACE(f.name);
            EXPECT_EQ(f.wireOffset, next);
            next = f.wireOffset + f.width;
            ASSERT_LE(f.recordOffset + f.recordSize, d.recordSize);
            for (size_t i = f.recordOffset; i < f.recordOffset + f.recordSize; ++i) {
                EXPECT_FALSE(used[i]);
                used[i] = true;
            }
        }
        EXPECT_EQ(next, d.blockSize);
    }
}

// Distinct bytes for a field's slot; a date-time in range, since it is
// clamped on the way in.
ByteVector SlotPattern(const FieldDescriptor& f) {
    if (f.kind == FieldKind::DateTime) {
        return {0x0C, 0x1F, 0x07, 0xD1, 0x17, 0x3B}; // 12/31/2001 23:59
    }
    ByteVector slot;
    for (int i = 0; i < f.width; ++i) {
        slot.push_back(static_cast<uint8_t>(0x41 + i));
    }
    return slot;
}

// What the record member holds after decoding the pattern.
ByteVector MemberFromSlot(const FieldDescriptor& f, const ByteVector& slot) {
    ByteVector member(f.recordSize, 0);
    switch (f.kind) {
    case FieldKind::Byte:
    case FieldKind::Be16:
    case FieldKind::Be32: {
        uint32_t value = 0;
        for (uint8_t b : slot) {
            value = value << 8 | b;
        }
        std::memcpy(member.data(), &value, f.recordSize); // little-endian host
        break;
    }
    case FieldKind::DateTime: {
        const StatusDateTime t = {slot[0], slot[1], static_cast<uint16_t>(slot[2] << 8 | slot[3]),
                                  slot[4], slot[5]};
        std::memcpy(member.data(), &t, sizeof t);
        break;
    }
    case FieldKind::Text:
    case FieldKind::Bytes:
        std::memcpy(member.data(), slot.data(), slot.size());
        break;
    }
    return member;
}

TEST(RecordTable, EveryFieldTravelsAtItsOffsetAndNowhereElse) {
    for (const RecordEntry& r : RecordRegistry()) {
        const RecordDescriptor& d = r.descriptor;
        ByteVector zeros(d.blockSize, 0);
        ByteVector plain(d.recordSize, 0);
        DecodeFields(d, zeros.data(), plain.data());
        ByteVector plainBlock(d.blockSize);
        EncodeFields(d, plain.data(), plainBlock.data());

        for (const FieldDescriptor& f : d.fields) {
            SCOPED_TRACE(std::string(r.name) + "." + f.name);
            const ByteVector slot = SlotPattern(f);
            ByteVector block = zeros;
            std::copy(slot.begin(), slot.end(), block.begin() + f.wireOffset);
            ByteVector record(d.recordSize, 0);
            DecodeFields(d, block.data(), record.data());

            ByteVector expected = plain;
            const ByteVector member = MemberFromSlot(f, slot);
            std::copy(member.begin(), member.end(), expected.begin() + f.recordOffset);
            EXPECT_EQ(Hex(record), Hex(expected));

            ByteVector back(d.blockSize);
            EncodeFields(d, record.data(), back.data());
            expected = plainBlock;
            std::copy(slot.begin(), slot.end(), expected.begin() + f.wireOffset);
            EXPECT_EQ(Hex(back), Hex(expected));
        }
    }
}

// Value names are words a script can type, one per value in the range. The
// language codes have holes: the Advanced page sends 11 and 12 for two of its
// items.
TEST(RecordTable, ValueNamesCoverTheirRange) {
    for (const RecordEntry& r : RecordRegistry()) {
        for (const FieldDescriptor& f : r.descriptor.fields) {
            if (f.names.empty()) {
                continue;
            }
            SCOPED_TRACE(f.name);
            std::set<std::string> names;
            for (size_t i = 0; i < f.names.size(); ++i) {
                const std::string name = f.names[i].name;
                EXPECT_EQ(name.find_first_of(" =,"), std::string::npos) << name;
                EXPECT_TRUE(names.insert(name).second) << name;
                if (i > 0) {
                    EXPECT_LT(f.names[i - 1].value, f.names[i].value);
                }
            }
            EXPECT_EQ(f.minimum, f.names.front().value);
            EXPECT_EQ(f.maximum, f.names.back().value);
            if (std::string(f.name) != "language") {
                EXPECT_EQ(f.names.size(), f.maximum - f.minimum + 1);
            }
        }
    }
}

} // namespace
