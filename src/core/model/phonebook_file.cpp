#include "model/phonebook_file.h"

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

int ReadPhonebookFile(const std::string& path) {
    const int n = PhonebookSlots();
    if (n == 0) {
        return 0;
    }
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return 0;
    }
    uint8_t head[kPhonebookFileHeadSize] = {};
    if (std::fread(head, 1, sizeof head, file.get()) != sizeof head) {
        return 0;
    }
    if (std::memcmp(head, kMagic, kMagicSize) != 0) {
        return 0;
    }
    // Read whole before touching the table, so that a read error leaves it
    // as it was; a short file fills only the bytes it has.
    const size_t tableSize = sizeof(PhonebookEntry) * static_cast<size_t>(n);
    std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[tableSize]);
    if (!image) {
        return 0;
    }
    size_t got = std::fread(image.get(), 1, tableSize, file.get());
    if (got < tableSize && std::ferror(file.get())) {
        return 0;
    }
    std::memcpy(PhonebookTable, image.get(), got);
    return 1;
}
