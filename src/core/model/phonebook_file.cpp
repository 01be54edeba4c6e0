#include "model/phonebook_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "platform/regular_file.h"
#include "platform/saved_file.h"
#include "protocol/phonebook.h"

namespace {

constexpr char kMagic[] = "VRN FAX-RCP Phonebook";
constexpr size_t kMagicSize = sizeof kMagic; // with its terminator

// The head the writer always puts first.
constexpr uint8_t kFileHead[kPhonebookFileHeadSize] = {
    'V', 'R', 'N', ' ', 'F',  'A',  'X',  '-',  'R',  'C',  'P',  ' ', 'P', 'h',
    'o', 'n', 'e', 'b', 'o',  'o',  'k',  0,    0,    0,    '1',  '.', '0', '0',
    0,   0,   0,   0,   0x14, 0x00, 0x50, 0x00, 0x00, 0x00, 0x00, 0x00};
static_assert(sizeof kMagic - 1 == 21);

using platform::FileDescriptor;

int Fail(FileError why, FileError* error) {
    if (error) {
        *error = why;
    }
    return 0;
}

} // namespace

int WritePhonebookFile(const MachineRecords& records, const std::string& path, FileError* error) {
    if (PhonebookSlots(records) == 0) {
        return Fail(FileError::kNoTable, error);
    }
    const FileError why = FileErrorOf(platform::SaveFile(path, PhonebookFileBytes(records), "pbf"));
    if (error) {
        *error = why;
    }
    return why == FileError::kNone ? 1 : 0;
}

FileError CheckPhonebookFileTarget(const std::string& path) {
    return FileErrorOf(platform::CheckSaveTarget(path));
}

std::vector<uint8_t> PhonebookFileBytes(const MachineRecords& records) {
    const size_t tableSize = sizeof(PhonebookEntry) * static_cast<size_t>(PhonebookSlots(records));
    std::vector<uint8_t> bytes(sizeof kFileHead + tableSize);
    std::memcpy(bytes.data(), kFileHead, sizeof kFileHead);
    if (tableSize > 0) {
        std::memcpy(bytes.data() + sizeof kFileHead, records.phonebookTable, tableSize);
    }
    return bytes;
}

std::optional<PhonebookFileContents> PhonebookFileContentsOf(const std::vector<uint8_t>& bytes,
                                                             FileError* error) {
    if (bytes.size() < kPhonebookFileHeadSize ||
        std::memcmp(bytes.data(), kMagic, kMagicSize) != 0) {
        Fail(FileError::kWrongContent, error);
        return std::nullopt;
    }
    PhonebookFileContents contents;
    contents.table.assign(bytes.begin() + kPhonebookFileHeadSize, bytes.end());
    if (error) {
        *error = FileError::kNone;
    }
    return contents;
}

std::optional<PhonebookFileContents> ReadPhonebookFileContents(const MachineRecords& records,
                                                               const std::string& path,
                                                               FileError* error) {
    const int n = PhonebookSlots(records);
    if (n == 0) {
        Fail(FileError::kNoTable, error);
        return std::nullopt;
    }
    platform::OpenFileError openError = platform::OpenFileError::kNone;
    const FileDescriptor file = platform::OpenRegularFile(path, &openError);
    if (!file) {
        Fail(FileErrorOf(openError), error);
        return std::nullopt;
    }
    uint8_t head[kPhonebookFileHeadSize] = {};
    const long gotHead = platform::ReadFully(file.get(), head, sizeof head);
    if (gotHead < 0) {
        Fail(FileError::kFailed, error);
        return std::nullopt;
    }
    if (gotHead != sizeof head || std::memcmp(head, kMagic, kMagicSize) != 0) {
        Fail(FileError::kWrongContent, error);
        return std::nullopt;
    }
    // Read whole before touching the table, so that a read error leaves it
    // as it was.
    const size_t tableSize = sizeof(PhonebookEntry) * static_cast<size_t>(n);
    PhonebookFileContents contents;
    try {
        contents.table.resize(tableSize);
    } catch (const std::bad_alloc&) {
        Fail(FileError::kFailed, error);
        return std::nullopt;
    }
    const long got = platform::ReadFully(file.get(), contents.table.data(), tableSize);
    if (got < 0) {
        Fail(FileError::kFailed, error);
        return std::nullopt;
    }
    contents.table.resize(static_cast<size_t>(got));
    if (error) {
        *error = FileError::kNone;
    }
    return contents;
}

int PhonebookFileContents::wholeSlots() const {
    return static_cast<int>(table.size() / sizeof(PhonebookEntry));
}

int PhonebookFileContents::partialSlotBytes() const {
    return static_cast<int>(table.size() % sizeof(PhonebookEntry));
}

int ReadPhonebookFile(MachineRecords& records, const std::string& path, FileError* error) {
    const std::optional<PhonebookFileContents> contents =
        ReadPhonebookFileContents(records, path, error);
    if (!contents) {
        return 0;
    }
    // A short file fills only the bytes it has.
    std::memcpy(records.phonebookTable, contents->table.data(), contents->table.size());
    return 1;
}

int LoadWholeSlots(MachineRecords& records, const PhonebookFileContents& contents) {
    const int slots = std::min(contents.wholeSlots(), PhonebookSlots(records));
    int changed = 0;
    for (int i = 0; i < slots; ++i) {
        const uint8_t* slot = contents.table.data() + sizeof(PhonebookEntry) * i;
        if (std::memcmp(&records.phonebookTable[i], slot, sizeof(PhonebookEntry)) != 0) {
            std::memcpy(&records.phonebookTable[i], slot, sizeof(PhonebookEntry));
            ++changed;
        }
    }
    return changed;
}
