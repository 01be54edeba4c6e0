#include "model/phonebook_file.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <unistd.h>

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

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A name beside the target that no other writer uses at the same time.
std::string TemporaryPath(const std::string& path, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    return path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(attempt);
}

} // namespace

int WritePhonebookFile(const std::string& path) {
    const int n = PhonebookSlots();
    if (n == 0 || path.empty()) {
        return 0;
    }
    std::string temp;
    std::FILE* raw = nullptr;
    for (unsigned attempt = 0; attempt < 16 && raw == nullptr; ++attempt) {
        temp = TemporaryPath(path, attempt);
        raw = std::fopen(temp.c_str(), "wbx");
    }
    if (raw == nullptr) {
        return 0;
    }
    const size_t tableSize = sizeof(PhonebookEntry) * static_cast<size_t>(n);
    bool ok = std::fwrite(kFileHead, 1, sizeof kFileHead, raw) == sizeof kFileHead &&
              std::fwrite(PhonebookTable, 1, tableSize, raw) == tableSize &&
              std::fflush(raw) == 0 && ::fsync(::fileno(raw)) == 0;
    ok = std::fclose(raw) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return 0;
    }
    return 1;
}

std::optional<PhonebookFileContents> ReadPhonebookFileContents(const std::string& path) {
    const int n = PhonebookSlots();
    if (n == 0) {
        return std::nullopt;
    }
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return std::nullopt;
    }
    uint8_t head[kPhonebookFileHeadSize] = {};
    if (std::fread(head, 1, sizeof head, file.get()) != sizeof head) {
        return std::nullopt;
    }
    if (std::memcmp(head, kMagic, kMagicSize) != 0) {
        return std::nullopt;
    }
    // Read whole before touching the table, so that a read error leaves it
    // as it was.
    const size_t tableSize = sizeof(PhonebookEntry) * static_cast<size_t>(n);
    PhonebookFileContents contents;
    try {
        contents.table.resize(tableSize);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    const size_t got = std::fread(contents.table.data(), 1, tableSize, file.get());
    if (got < tableSize && std::ferror(file.get())) {
        return std::nullopt;
    }
    contents.table.resize(got);
    return contents;
}

int PhonebookFileContents::wholeSlots() const {
    return static_cast<int>(table.size() / sizeof(PhonebookEntry));
}

int PhonebookFileContents::partialSlotBytes() const {
    return static_cast<int>(table.size() % sizeof(PhonebookEntry));
}

int ReadPhonebookFile(const std::string& path) {
    const std::optional<PhonebookFileContents> contents = ReadPhonebookFileContents(path);
    if (!contents) {
        return 0;
    }
    // A short file fills only the bytes it has.
    std::memcpy(PhonebookTable, contents->table.data(), contents->table.size());
    return 1;
}

int LoadWholeSlots(const PhonebookFileContents& contents) {
    const int slots = std::min(contents.wholeSlots(), PhonebookSlots());
    int changed = 0;
    for (int i = 0; i < slots; ++i) {
        const uint8_t* slot = contents.table.data() + sizeof(PhonebookEntry) * i;
        if (std::memcmp(&PhonebookTable[i], slot, sizeof(PhonebookEntry)) != 0) {
            std::memcpy(&PhonebookTable[i], slot, sizeof(PhonebookEntry));
            ++changed;
        }
    }
    return changed;
}
