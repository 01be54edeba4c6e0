// The CSV and vCard readers of the phonebook exchange. Input: the file's
// text, checked before any table as faxrcp-cli checks it, then imported into
// a table that holds groups, with one-touch slots.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "fuzz_machine.h"
#include "model/panel_context.h"
#include "model/phonebook_exchange.h"
#include "model/phonebook_ops.h"
#include "phonebook_use.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"

namespace {

constexpr int kTableSlots = 100;

void FillTable(MachineRecords& records) {
    std::memset(records.phonebookTable, 0, sizeof(PhonebookEntry) * kTableSlots);
    for (int i = 0; i < kTableSlots; i += 3) {
        StoreSingleNumber(records, i, "NAME", "5550" + std::to_string(i));
    }
    uint8_t members[kMembersLength] = {};
    SetMemberBit(members, kSpeedBitmapOffset, 3, true);
    SetMemberBit(members, kOneTouchBitmapOffset, 0, true);
    StoreGroup(records, 4, "GROUP", members);
    uint8_t target[kMembersLength] = {4};
    StoreGroup(records, 95, "KEY", target);
    RecountGroupRefs(records);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PanelContext context; // each input starts from a fresh program
    fuzz::PrepareMachine(context);
    SetMachineRecordDefaults(context.records);
    context.records.inquiryRecord.capacityA = 10;
    context.records.inquiryRecord.capacityB = 90;
    if (context.records.phonebookSlotCount != kTableSlots &&
        !AllocatePhonebookTable(context.records, kTableSlots)) {
        fuzz::Fail("no table");
    }
    FillTable(context.records);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const PhonebookImport check = CheckPhonebookText(text);
    const std::vector<PhonebookEntry> before = CopyOfTable(context.records);
    const PhonebookImport result = ImportPhonebookText(context.records, text);
    if (result.error != FileError::kNone && !TableMatches(context.records, before)) {
        fuzz::Fail("a refused import changed the phonebook table");
    }
    if (check.error == FileError::kWrongContent && result.error != FileError::kWrongContent) {
        fuzz::Fail("the check and the import disagree on the format");
    }
    for (const PhonebookImportNote& note : result.notes) {
        if (DescribeImportNote(note).empty()) {
            fuzz::Fail("a note without words");
        }
    }
    ExportPhonebookText(context.records, PhonebookFormat::kCsv);
    ExportPhonebookText(context.records, PhonebookFormat::kVcard);
    fuzz::UsePhonebook(context);
    return 0;
}
