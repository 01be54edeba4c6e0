#include "model/phonebook_import_choice.h"

#include "platform/profile.h"
#include "platform/saved_file.h"

std::string ImportChoicePath() {
    return platform::ProfileDirectory() + "/faxrcp/import.ini";
}

PhonebookImportOptions ReadImportChoice() {
    PhonebookImportOptions options;
    char prefix[8] = {};
    platform::GetPrivateProfileString("IMPORT", "INTERNATIONAL_PREFIX", "", prefix, sizeof prefix,
                                      ImportChoicePath());
    if (IsInternationalPrefix(prefix)) {
        options.internationalPrefix = prefix;
    }
    options.faxOnly =
        platform::GetPrivateProfileInt("IMPORT", "FAX_ONLY", 0, ImportChoicePath()) == 1;
    return options;
}

bool SaveImportChoice(const PhonebookImportOptions& options) {
    if (!IsInternationalPrefix(options.internationalPrefix)) {
        return false;
    }
    return platform::SaveSettingFile(
        ImportChoicePath(), "[IMPORT]\nINTERNATIONAL_PREFIX=" + options.internationalPrefix +
                                "\nFAX_ONLY=" + (options.faxOnly ? "1" : "0") + "\n");
}
