// The settings file reader. Input: a file's text, applied over records that
// hold the start-up values: a refused text leaves the records as they were,
// and whatever was taken saves and reads back to the same records.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_machine.h"
#include "model/panel_context.h"
#include "model/settings_file.h"
#include "protocol/record_registry.h"

namespace {

bool SameSettings(const MachineRecords& a, const MachineRecords& b) {
    for (const RecordEntry& r : RecordRegistry()) {
        if (r.Settable() && std::memcmp(r.Record(a), r.Record(b), r.descriptor.recordSize) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PanelContext context; // each input starts from a fresh program
    fuzz::PrepareMachine(context);
    SetMachineRecordDefaults(context.records);
    const MachineRecords& defaults = context.records;
    MachineRecords records = defaults;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<SettingsFileProblem> problems;
    const FileError error = ApplySettingsText(text, records, problems);
    if (error != FileError::kNone) {
        if (!SameSettings(records, defaults)) {
            fuzz::Fail("a refused settings file changed a record");
        }
        return 0;
    }
    MachineRecords again = defaults;
    if (ApplySettingsText(SettingsFileText(records), again, problems) != FileError::kNone ||
        !SameSettings(records, again)) {
        fuzz::Fail("a settings file taken does not read back the same");
    }
    return 0;
}
