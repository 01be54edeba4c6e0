// Finding the language file and looking up its texts.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "model/lang_text.h"
#include "platform/program.h"
#include "support/platform_fixture.h"
#include "support/temp_dir.h"

namespace {

// The names in a folder of dir, sorted.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class LangTextTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        platform::SetModuleFileNameForTests(dir.file("faxrcp"));
    }
    void TearDown() override {
        UseLanguageFile({});
        PlatformTest::TearDown();
    }
    void Configure(const std::string& file) {
        dir.write("faxrcp.ini", "[LANGUAGE]\nFILE=" + file + "\n");
    }
    TempDir dir;
    // No desktop language and no choice of the user's unless a test makes one.
    ScopedEnv lcAll = ScopedEnv::unset("LC_ALL");
    ScopedEnv lcMessages = ScopedEnv::unset("LC_MESSAGES");
    ScopedEnv lang = ScopedEnv::unset("LANG");
    ScopedEnv config{"XDG_CONFIG_HOME", dir.file("config")};
};

TEST_F(LangTextTest, LanguageFileNamedByTheConfigurationGivesItsTexts) {
    Configure("english.lng");
    dir.write("english.lng", "[MAIN]\nCAPTION=Telvane Panel\nIDC_EXIT=Exit\n");
    FindLanguageFile();
    EXPECT_EQ(LanguageFileInUse(), dir.file("english.lng"));
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "Telvane Panel");
    EXPECT_STREQ(GetLangString("main", "idc_exit"), "Exit");
}

TEST_F(LangTextTest, MissingKeySectionOrFileGivesEmptyText) {
    Configure("english.lng");
    dir.write("english.lng", "[MAIN]\nCAPTION=Telvane\n");
    FindLanguageFile();
    EXPECT_STREQ(GetLangString("MAIN", "IDC_HELP"), "");
    EXPECT_STREQ(GetLangString("MENU", "CAPTION"), "");
    // A missing file named by the configuration gives English while there is one.
    Configure("missing.lng");
    FindLanguageFile();
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "Telvane");
    std::filesystem::remove(dir.file("english.lng"));
    FindLanguageFile();
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "");
}

TEST_F(LangTextTest, WithoutConfigurationEnglishIsUsedAndWithoutItEveryTextIsEmpty) {
    FindLanguageFile();
    EXPECT_EQ(LanguageFileInUse(), dir.path() + "/");
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "");
    dir.write("english.lng", "[MAIN]\nCAPTION=Telvane\n");
    FindLanguageFile();
    EXPECT_EQ(LanguageFileInUse(), dir.file("english.lng"));
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "Telvane");
}

TEST_F(LangTextTest, FileValueIsCutTo15Characters) {
    const std::string name = "english-lang.ini.bak"; // 20 characters
    Configure(name);
    dir.write(name, "[MAIN]\nCAPTION=Telvane\n");
    dir.write(name.substr(0, 15), "[MAIN]\nCAPTION=Cut\n");
    FindLanguageFile();
    EXPECT_EQ(LanguageFileInUse(), dir.file(name.substr(0, 15)));
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "Cut");
}

TEST_F(LangTextTest, FileValueMayNameASubFolder) {
    Configure("lang/de.lng");
    dir.write("lang/de.lng", "[MAIN]\nCAPTION=Fernbedienung\n");
    FindLanguageFile();
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "Fernbedienung");
}

TEST_F(LangTextTest, SubFolderWrittenWithBackslashFindsTheSameFile) {
    Configure("lang\\de.lng");
    dir.write("lang/de.lng", "[MAIN]\nCAPTION=Fernbedienung\n");
    FindLanguageFile();
    EXPECT_EQ(LanguageFileInUse(), dir.file("lang/de.lng"));
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "Fernbedienung");
}

TEST_F(LangTextTest, LongTextIsCutTo254Characters) {
    Configure("english.lng");
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += static_cast<char>('a' + i % 26);
    }
    dir.write("english.lng", "[INFO]\nIDL_FW_VERSION=" + text + "\n");
    FindLanguageFile();
    EXPECT_EQ(std::string(GetLangString("INFO", "IDL_FW_VERSION")), text.substr(0, 254));
}

// A language file that is there but cannot be read (a pipe, a device) gives
// the English texts built into the program.
TEST_F(LangTextTest, UnreadableLanguageFileGivesTheBuiltInEnglishTexts) {
    Configure("english.lng");
    ASSERT_EQ(::mkfifo(dir.file("english.lng").c_str(), 0644), 0);
    FindLanguageFile();
    EXPECT_FALSE(LanguageFileUsable());
    EXPECT_STREQ(GetLangString("MAIN", "IDC_EXIT"), "E&xit");
}

TEST(LanguageOfLocaleTest, TakesTheLanguagePartOfALocaleValue) {
    const std::pair<const char*, const char*> cases[] = {
        {"de_DE.UTF-8", "de"},
        {"fr_CA", "fr"},
        {"pt_BR.utf8", "pt"},
        {"sr@latin", "sr"},
        {"NL_nl", "nl"},
        {"pl", "pl"},
        {"C", ""},
        {"C.UTF-8", ""},
        {"POSIX", ""},
        {"", ""},
        {"../de", ""},
        {"de-DE", ""},
    };
    for (const auto& [locale, language] : cases) {
        EXPECT_EQ(LanguageOfLocale(locale), language) << locale;
    }
}

TEST_F(LangTextTest, DesktopLanguageIsTheFirstSetOfLcAllLcMessagesAndLang) {
    EXPECT_EQ(DesktopLanguage(), "");
    ScopedEnv langVar("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(DesktopLanguage(), "fr");
    ScopedEnv messages("LC_MESSAGES", "de_AT.UTF-8");
    EXPECT_EQ(DesktopLanguage(), "de");
    {
        ScopedEnv all("LC_ALL", "");
        EXPECT_EQ(DesktopLanguage(), "de");
    }
    ScopedEnv all("LC_ALL", "C");
    EXPECT_EQ(DesktopLanguage(), "");
}

TEST(ChooseLanguageFileTest, ChoiceThenDesktopThenSystemFileThenEnglishAmongFilesThatExist) {
    std::vector<std::string> files;
    const auto exists = [&files](const std::string& f) {
        return std::find(files.begin(), files.end(), f) != files.end();
    };
    const LanguageSources all{"fr", "de", "custom.lng"};
    files = {"english.lng", "french.lng", "german.lng", "custom.lng"};
    EXPECT_EQ(ChooseLanguageFile(all, exists), "french.lng");
    files = {"english.lng", "german.lng", "custom.lng"};
    EXPECT_EQ(ChooseLanguageFile(all, exists), "german.lng");
    files = {"english.lng", "custom.lng"};
    EXPECT_EQ(ChooseLanguageFile(all, exists), "custom.lng");
    files = {"english.lng"};
    EXPECT_EQ(ChooseLanguageFile(all, exists), "english.lng");
    files = {};
    EXPECT_EQ(ChooseLanguageFile(all, exists), "custom.lng");
    // Codes the panel has no file for count as none.
    files = {"english.lng", "custom.lng"};
    EXPECT_EQ(ChooseLanguageFile({"xx", "ja", "custom.lng"}, exists), "custom.lng");
    EXPECT_EQ(ChooseLanguageFile({"", "", ""}, exists), "english.lng");
}

TEST_F(LangTextTest, FindLanguageFileFollowsTheDesktopUnlessTheUserChoseAndNamesTheLanguage) {
    Configure("french.lng");
    for (const char* file : {"english.lng", "french.lng", "german.lng"}) {
        dir.write(file, std::string("[MAIN]\nCAPTION=") + file + "\n");
    }
    FindLanguageFile();
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "french.lng");
    EXPECT_EQ(CurrentLanguage(), "fr");

    ScopedEnv desktop("LANG", "de_DE.UTF-8");
    FindLanguageFile();
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "german.lng");
    EXPECT_EQ(CurrentLanguage(), "de");

    // A desktop language without a file leaves the system's file.
    {
        ScopedEnv japanese("LC_MESSAGES", "ja_JP.UTF-8");
        FindLanguageFile();
        EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "french.lng");
    }

    ASSERT_TRUE(SaveLanguageChoice("en"));
    FindLanguageFile();
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "english.lng");
    // A choice whose file is gone counts as none.
    ASSERT_TRUE(SaveLanguageChoice("pl"));
    FindLanguageFile();
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "german.lng");

    Configure("lang/de.lng");
    ASSERT_TRUE(SaveLanguageChoice(""));
    ScopedEnv c("LC_ALL", "C");
    dir.write("lang/de.lng", "[MAIN]\nCAPTION=x\n");
    FindLanguageFile();
    EXPECT_EQ(CurrentLanguage(), "");
}

TEST_F(LangTextTest, ChoiceIsKeptInTheUsersFolderReplacedWholeAndForgotten) {
    EXPECT_EQ(LanguageChoicePath(), dir.file("config") + "/faxrcp/language.ini");
    EXPECT_EQ(ReadLanguageChoice(), "");
    ASSERT_TRUE(SaveLanguageChoice("de"));
    EXPECT_EQ(ReadLanguageChoice(), "de");
    EXPECT_EQ(dir.read("config/faxrcp/language.ini"), "[LANGUAGE]\nCODE=de\n");
    ASSERT_TRUE(SaveLanguageChoice("PT"));
    EXPECT_EQ(ReadLanguageChoice(), "pt");
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(Names(dir.file("config/faxrcp")), std::vector<std::string>{"language.ini"});

    EXPECT_FALSE(SaveLanguageChoice("xx"));
    EXPECT_EQ(ReadLanguageChoice(), "pt");
    dir.write("config/faxrcp/language.ini", "[LANGUAGE]\nCODE=../../etc/passwd\n");
    EXPECT_EQ(ReadLanguageChoice(), "");

    ASSERT_TRUE(SaveLanguageChoice(""));
    EXPECT_EQ(Names(dir.file("config/faxrcp")), std::vector<std::string>{});
    EXPECT_TRUE(SaveLanguageChoice(""));

    // A configuration folder that cannot be made refuses the choice.
    dir.write("blocked", "a file, not a folder");
    ScopedEnv blocked("XDG_CONFIG_HOME", dir.file("blocked"));
    EXPECT_FALSE(SaveLanguageChoice("de"));
}

} // namespace
