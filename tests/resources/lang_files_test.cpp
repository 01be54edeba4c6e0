// The language files the build writes: each has every key of the English
// one and no other, none of them empty, with the same places for inserted
// texts, and the panel knows a file for every language it offers.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "model/lang_text.h"
#include "support/core/panel_fixture.h"

namespace {

std::multiset<std::string> Placeholders(const std::string& value) {
    static const std::regex placeholder("%[0-9]|%s|%d");
    std::multiset<std::string> found;
    for (auto it = std::sregex_iterator(value.begin(), value.end(), placeholder);
         it != std::sregex_iterator(); ++it) {
        found.insert(it->str());
    }
    return found;
}

TEST(LanguageFilesTest, EveryLanguageHasEveryEnglishKeyAndNoOther) {
    const auto english = LanguageEntries(LanguageFileText("en"));
    ASSERT_GT(english.size(), 150u);
    for (const KnownLanguage& language : KnownLanguages()) {
        SCOPED_TRACE(language.code);
        ASSERT_TRUE(std::filesystem::exists(LanguageFilePath(language.code)))
            << "no " << language.file << " in the build";
        const auto entries = LanguageEntries(LanguageFileText(language.code));
        for (const auto& [key, value] : english) {
            const auto found = entries.find(key);
            if (found == entries.end()) {
                ADD_FAILURE() << "missing " << key;
                continue;
            }
            EXPECT_FALSE(found->second.empty()) << key;
            EXPECT_EQ(Placeholders(found->second), Placeholders(value)) << key;
        }
        for (const auto& [key, value] : entries) {
            EXPECT_TRUE(english.count(key)) << "not in English: " << key;
        }
    }
}

} // namespace
