// The settings file reader. Input: a file's text, applied over records that
// hold the start-up values: a refused text leaves both records as they were,
// and whatever was taken saves and reads back to the same records.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/panel.h"
#include "fuzz_machine.h"
#include "model/settings_file.h"
#include "protocol/machine_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::PrepareMachine();
    SetMachineRecordDefaults(panelContext.records);
    SystemSetup setup = panelContext.records.systemSetup;
    SystemStatus status = panelContext.records.systemStatus;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<SettingsFileProblem> problems;
    const FileError error = ApplySettingsText(text, setup, status, problems);
    if (error != FileError::kNone) {
        if (std::memcmp(&setup, &panelContext.records.systemSetup, sizeof setup) != 0 ||
            std::memcmp(&status, &panelContext.records.systemStatus, sizeof status) != 0) {
            fuzz::Fail("a refused settings file changed a record");
        }
        return 0;
    }
    SystemSetup setupAgain = panelContext.records.systemSetup;
    SystemStatus statusAgain = panelContext.records.systemStatus;
    if (ApplySettingsText(SettingsFileText(setup, status), setupAgain, statusAgain, problems) !=
            FileError::kNone ||
        std::memcmp(&setup, &setupAgain, sizeof setup) != 0 ||
        std::memcmp(&status, &statusAgain, sizeof status) != 0) {
        fuzz::Fail("a settings file taken does not read back the same");
    }
    return 0;
}
