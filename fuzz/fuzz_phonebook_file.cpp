// The phonebook file reader. Input: the file. The table has the 100 slots
// start-up allocates, the machine its default capacities.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "fuzz_machine.h"
#include "model/panel_context.h"
#include "model/phonebook_file.h"
#include "phonebook_use.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"

namespace {

constexpr int kTableSlots = 100;

std::string directory;

void RemoveDirectory() {
    std::remove((directory + "/book.pbf").c_str());
    ::rmdir(directory.c_str());
}

const std::string& FilePath() {
    static const std::string path = [] {
        std::string pattern = fuzz::TempBase() + "/faxrcp-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            fuzz::Fail("no temporary folder");
        }
        directory = pattern.c_str();
        std::atexit(RemoveDirectory);
        return directory + "/book.pbf";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PanelContext context; // each input starts from a fresh program
    fuzz::PrepareMachine(context);
    SetMachineRecordDefaults(context.records);
    if (context.records.phonebookSlotCount != kTableSlots &&
        !AllocatePhonebookTable(context.records, kTableSlots)) {
        fuzz::Fail("no table");
    }
    std::memset(context.records.phonebookTable, 0x5A, sizeof(PhonebookEntry) * kTableSlots);

    std::FILE* file = std::fopen(FilePath().c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        fuzz::Fail("cannot write the input file");
    }
    std::vector<uint8_t> before(
        reinterpret_cast<uint8_t*>(context.records.phonebookTable),
        reinterpret_cast<uint8_t*>(context.records.phonebookTable + kTableSlots));
    const int ok = ReadPhonebookFile(context.records, FilePath());
    if (!ok && std::memcmp(before.data(), context.records.phonebookTable, before.size()) != 0) {
        fuzz::Fail("a refused file changed the phonebook table");
    }
    fuzz::UsePhonebook(context);
    return 0;
}
