// Every language has a text for every key that the Phonebook page and its two
// editors look up: a missing key shows an empty text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// The lines of every fragment of `section` (SECTION.ini, SECTION.part.ini).
std::string SectionText(const fs::path& language, const std::string& section) {
    std::string text = "\n";
    for (const auto& entry : fs::directory_iterator(language)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(section + ".", 0) == 0 && entry.path().extension() == ".ini") {
            std::ifstream in(entry.path());
            std::ostringstream body;
            body << in.rdbuf();
            text += body.str() + "\n";
        }
    }
    return text;
}

TEST(PhonebookLanguageTest, EveryLanguageHasEveryPhonebookText) {
    const std::pair<const char*, const char*> used[] = {
        {"PHONEBOOK", "CAPTION IDL_TYPE IDC_ONETOUCH_DIAL IDC_SPEED_DIAL_2 IDC_GET_PHONEBOOK "
                      "IDC_SEND_PHONEBOOK IDC_EDIT IDC_DELETE IDC_DELETE_ALL IDC_GROUP_DIAL"},
        {"EDIT_PHONEBOOK", "CAPTION IDL_NAME IDL_PHONE_NUMBER IDOK IDCANCEL"},
        {"GROUP_DIAL",
         "CAPTION IDL_NAME IDL_I_NUMBER IDL_A_NUMBER IDC_REMOVE IDC_ADD IDOK IDCANCEL"},
        {"COMMON", "IDS_NUM IDS_NAME IDS_TEL_NUMBER IDS_PBOOK_READ_ERROR IDS_PBOOK_BAD_FILE "
                   "IDS_PBOOK_SAVE_ERROR"},
    };
    int languages = 0;
    for (const auto& language :
         fs::directory_iterator(fs::path(FAXRCP_SOURCE_DIR) / "src/resources/lang")) {
        ++languages;
        for (const auto& [section, keys] : used) {
            const std::string text = SectionText(language.path(), section);
            std::istringstream names(keys);
            for (std::string key; names >> key;) {
                const size_t at = text.find("\n" + key + "=");
                const bool hasText = at != std::string::npos && text[at + key.size() + 2] != '\n' &&
                                     text[at + key.size() + 2] != '\r';
                EXPECT_TRUE(hasText) << language.path().filename() << " " << section << "/" << key;
            }
        }
    }
    EXPECT_GE(languages, 3);
}

} // namespace
