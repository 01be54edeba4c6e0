// Finding the language file and looking up its texts.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "model/lang_text.h"
#include "platform/program.h"
#include "support/core/context_fixture.h"
#include "support/platform/temp_dir.h"

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

class LangTextTest : public ContextTest {
  protected:
    void SetUp() override {
        ContextTest::SetUp();
        platform::SetModuleFileNameForTests(dir.file("faxrcp"));
    }
    void TearDown() override {
        UseLanguageFile({});
        ContextTest::TearDown();
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

// Which file the configuration, or its absence, finds beside the program, and
// what its texts give.
TEST_F(LangTextTest, FileFoundBesideTheProgramGivesItsTexts) {
    std::string letters; // 300 characters
    for (int i = 0; i < 300; ++i) {
        letters += static_cast<char>('a' + i % 26);
    }
    struct Lookup {
        const char* section;
        const char* key;
        std::string text;
    };
    struct Case {
        const char* what;
        const char* configured; // faxrcp.ini's FILE=, nullptr for no faxrcp.ini
        std::vector<std::pair<std::string, std::string>> files;
        std::string found; // the file in use, below the program's folder
        std::vector<Lookup> lookups;
        const char* pipe = nullptr; // a pipe there instead of a file
    };
    const std::string telvane = "[MAIN]\nCAPTION=Telvane\n";
    const std::string german = "[MAIN]\nCAPTION=Fernbedienung\n";
    const Case cases[] = {
        {"the configured file",
         "english.lng",
         {{"english.lng", "[MAIN]\nCAPTION=Telvane Panel\nIDC_EXIT=Exit\n"}},
         "english.lng",
         {{"MAIN", "CAPTION", "Telvane Panel"},
          {"main", "idc_exit", "Exit"},
          {"MAIN", "IDC_HELP", ""},
          {"MENU", "CAPTION", ""}}},
        {"a missing configured file gives English",
         "missing.lng",
         {{"english.lng", telvane}},
         "english.lng",
         {{"MAIN", "CAPTION", "Telvane"}}},
        {"nor English", "missing.lng", {}, "missing.lng", {{"MAIN", "CAPTION", ""}}},
        {"no configuration gives English",
         nullptr,
         {{"english.lng", telvane}},
         "english.lng",
         {{"MAIN", "CAPTION", "Telvane"}}},
        {"no configuration nor English", nullptr, {}, "", {{"MAIN", "CAPTION", ""}}},
        {"a name cut to 15 characters",
         "english-lang.ini.bak",
         {{"english-lang.ini.bak", telvane}, {"english-lang.in", "[MAIN]\nCAPTION=Cut\n"}},
         "english-lang.in",
         {{"MAIN", "CAPTION", "Cut"}}},
        {"a sub-folder",
         "lang/de.lng",
         {{"lang/de.lng", german}},
         "lang/de.lng",
         {{"MAIN", "CAPTION", "Fernbedienung"}}},
        {"a sub-folder written with a backslash",
         "lang\\de.lng",
         {{"lang/de.lng", german}},
         "lang/de.lng",
         {{"MAIN", "CAPTION", "Fernbedienung"}}},
        {"a text cut to 254 characters",
         "english.lng",
         {{"english.lng", "[INFO]\nIDL_FW_VERSION=" + letters + "\n"}},
         "english.lng",
         {{"INFO", "IDL_FW_VERSION", letters.substr(0, 254)}}},
        // A file that is there but cannot be read (a pipe, a device) gives the
        // English texts built into the program.
        {"an unreadable file",
         "english.lng",
         {},
         "english.lng",
         {{"MAIN", "IDC_EXIT", "E&xit"}},
         "english.lng"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir program;
        platform::SetModuleFileNameForTests(program.file("faxrcp"));
        if (c.configured != nullptr) {
            program.write("faxrcp.ini", std::string("[LANGUAGE]\nFILE=") + c.configured + "\n");
        }
        for (const auto& [name, text] : c.files) {
            program.write(name, text);
        }
        if (c.pipe != nullptr) {
            ASSERT_EQ(::mkfifo(program.file(c.pipe).c_str(), 0644), 0);
        }
        FindLanguageFile();
        EXPECT_EQ(LanguageFileInUse(), program.file(c.found));
        EXPECT_EQ(LanguageFileUsable(), c.pipe == nullptr);
        for (const Lookup& l : c.lookups) {
            EXPECT_EQ(GetLangString(l.section, l.key), l.text) << l.section << "/" << l.key;
        }
    }
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
