// Finding the language file and looking up its texts.
#include <string>

#include "model/lang_text.h"
#include "platform/program.h"
#include "support/platform_fixture.h"
#include "support/temp_dir.h"

namespace {

class LangTextTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        platform::SetModuleFileNameForTests(dir.file("faxrcp"));
    }
    void TearDown() override {
        languageFilePath.clear();
        PlatformTest::TearDown();
    }
    void Configure(const std::string& file) {
        dir.write("faxrcp.ini", "[LANGUAGE]\nFILE=" + file + "\n");
    }
    TempDir dir;
};

TEST_F(LangTextTest, LanguageFileNamedByTheConfigurationGivesItsTexts) {
    Configure("english.lng");
    dir.write("english.lng", "[MAIN]\nCAPTION=Telvane Panel\nIDC_EXIT=Exit\n");
    FindLanguageFile();
    EXPECT_EQ(languageFilePath, dir.file("english.lng"));
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "Telvane Panel");
    EXPECT_STREQ(GetLangString("main", "idc_exit"), "Exit");
}

TEST_F(LangTextTest, MissingKeySectionOrFileGivesEmptyText) {
    Configure("english.lng");
    dir.write("english.lng", "[MAIN]\nCAPTION=Telvane\n");
    FindLanguageFile();
    EXPECT_STREQ(GetLangString("MAIN", "IDC_HELP"), "");
    EXPECT_STREQ(GetLangString("MENU", "CAPTION"), "");
    Configure("missing.lng");
    FindLanguageFile();
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "");
}

TEST_F(LangTextTest, WithoutConfigurationThePathIsTheProgramFolderAndEveryTextIsEmpty) {
    dir.write("english.lng", "[MAIN]\nCAPTION=Telvane\n");
    FindLanguageFile();
    EXPECT_EQ(languageFilePath, dir.path() + "/");
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "");
}

TEST_F(LangTextTest, FileValueIsCutTo15Characters) {
    const std::string name = "english-lang.ini.bak"; // 20 characters
    Configure(name);
    dir.write(name, "[MAIN]\nCAPTION=Telvane\n");
    FindLanguageFile();
    EXPECT_EQ(languageFilePath, dir.file(name.substr(0, 15)));
    EXPECT_STREQ(GetLangString("MAIN", "CAPTION"), "");
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
    EXPECT_EQ(languageFilePath, dir.file("lang/de.lng"));
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

} // namespace
