// The CSV and vCard readers of the phonebook exchange. Input: the file's
// text, checked before any table as faxrcp-cli checks it, then imported into
// a table that holds groups, with one-touch slots.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "model/panel_context.h"
#include "fuzz_machine.h"
#include "model/phonebook_exchange.h"
#include "model/phonebook_ops.h"
#include "phonebook_use.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"

namespace {

constexpr int kTableSlots = 100;

void FillTable() {
    std::memset(panelContext.records.phonebookTable, 0, sizeof(PhonebookEntry) * kTableSlots);
    for (int i = 0; i < kTableSlots; i += 3) {
        StoreSingleNumber(panelContext.records, i, "NAME", "5550" + std::to_string(i));
    }
    uint8_t members[kMembersLength] = {};
    SetMemberBit(members, kSpeedBitmapOffset, 3, true);
    SetMemberBit(members, kOneTouchBitmapOffset, 0, true);
    StoreGroup(panelContext.records, 4, "GROUP", members);
    uint8_t target[kMembersLength] = {4};
    StoreGroup(panelContext.records, 95, "KEY", target);
    RecountGroupRefs(panelContext.records);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::PrepareMachine();
    SetMachineRecordDefaults(panelContext.records);
    panelContext.records.inquiryRecord.capacityA = 10;
    panelContext.records.inquiryRecord.capacityB = 90;
    if (panelContext.records.phonebookSlotCount != kTableSlots &&
        !AllocatePhonebookTable(panelContext.records, kTableSlots)) {
        fuzz::Fail("no table");
    }
    FillTable();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const PhonebookImport check = CheckPhonebookText(text);
    const std::vector<PhonebookEntry> before = CopyOfTable(panelContext.records);
    const PhonebookImport result = ImportPhonebookText(panelContext.records, text);
    if (result.error != FileError::kNone && !TableMatches(panelContext.records, before)) {
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
    ExportPhonebookText(panelContext.records, PhonebookFormat::kCsv);
    ExportPhonebookText(panelContext.records, PhonebookFormat::kVcard);
    fuzz::UsePhonebook();
    return 0;
}
