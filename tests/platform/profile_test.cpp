// Profile (INI) reads with the host's semantics.
#include "platform/profile.h"
#include "support/platform_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

namespace {

class ProfileTest : public PlatformTest {
  protected:
    // Reads with a generous buffer; returns the text and checks the count.
    std::string Read(const std::string& section, const std::string& key, const std::string& def,
                     const std::string& file, uint32_t size = 512) {
        std::vector<char> buffer(size + 8, '#');
        const uint32_t n =
            platform::GetPrivateProfileString(section, key, def, buffer.data(), size, file);
        EXPECT_LT(n, size == 0 ? 1u : size);
        if (size > 0) {
            EXPECT_EQ(buffer[n], '\0');
            EXPECT_EQ(std::strlen(buffer.data()), n);
        }
        // Nothing beyond the buffer is ever touched.
        for (size_t i = size; i < buffer.size(); ++i) {
            EXPECT_EQ(buffer[i], '#') << "byte " << i << " written beyond the buffer";
        }
        return std::string(buffer.data(), n);
    }

    std::string ini(const std::string& content) { return dir.write("test.ini", content); }

    TempDir dir;
};

TEST_F(ProfileTest, SectionAndKeyNamesIgnoreCase) {
    const auto f = ini("[Language]\nFile=english.lng\n");
    EXPECT_EQ(Read("LANGUAGE", "FILE", "", f), "english.lng");
    EXPECT_EQ(Read("language", "file", "", f), "english.lng");
    EXPECT_EQ(Read("LANGUAGE", "FILES", "none", f), "none");
}

TEST_F(ProfileTest, FirstMatchWinsForSectionsAndKeys) {
    const auto f = ini("[MAIN]\nCAPTION=first\ncaption=second\n[OTHER]\nX=1\n"
                       "[main]\nCAPTION=third\nIDC_EXIT=Exit\n");
    EXPECT_EQ(Read("MAIN", "CAPTION", "", f), "first");
    // Only the first section of a name is searched.
    EXPECT_EQ(Read("MAIN", "IDC_EXIT", "dflt", f), "dflt");
    EXPECT_EQ(Read("OTHER", "X", "", f), "1");
}

TEST_F(ProfileTest, BlanksAroundNamesAndValuesAreRemoved) {
    const auto f = ini("  [ MAIN ]  \n\t CAPTION \t=  Fax  Panel \t \n");
    EXPECT_EQ(Read("MAIN", "CAPTION", "", f), "Fax  Panel");
}

TEST_F(ProfileTest, OnePairOfEnclosingQuotesIsRemoved) {
    const auto f = ini("[S]\n"
                       "a=\"  padded  \"\n"
                       "b='single'\n"
                       "c=\"\"twice\"\"\n"
                       "d=\"open only\n"
                       "e=\"mixed'\n"
                       "f=say \"hi\" there\n"
                       "g=\"\n"
                       "h=\"\"\n");
    EXPECT_EQ(Read("S", "a", "", f), "  padded  ");
    EXPECT_EQ(Read("S", "b", "", f), "single");
    EXPECT_EQ(Read("S", "c", "", f), "\"twice\"");
    EXPECT_EQ(Read("S", "d", "", f), "\"open only");
    EXPECT_EQ(Read("S", "e", "", f), "\"mixed'");
    EXPECT_EQ(Read("S", "f", "", f), "say \"hi\" there");
    EXPECT_EQ(Read("S", "g", "", f), "\"");
    EXPECT_EQ(Read("S", "h", "x", f), "");
}

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault) {
    const auto f = ini("[S]\nK=v\n");
    EXPECT_EQ(Read("S", "K", "d", dir.file("absent.ini")), "d");
    EXPECT_EQ(Read("T", "K", "d", f), "d");
    EXPECT_EQ(Read("S", "L", "d", f), "d");
    EXPECT_EQ(Read("S", "", "d", f), "d");
    EXPECT_EQ(Read("S", "K", "d", ""), "d");
    EXPECT_EQ(Read("S", "K", "d", dir.path()), "d"); // a folder is no profile
}

TEST_F(ProfileTest, DefaultLosesTrailingBlanksAndIsCutLikeAValue) {
    const auto f = ini("");
    EXPECT_EQ(Read("S", "K", "  keep leading   ", f), "  keep leading");
    EXPECT_EQ(Read("S", "K", "abcdef", f, 4), "abc");
}

TEST_F(ProfileTest, ValueIsCutToSizeMinusOneAndTheCountReturned) {
    const std::string text(300, 'x');
    const auto f = ini("[COMMON]\nIDS_LONG=" + text + "\nIDS_FILE=123456789012345678901\n");
    EXPECT_EQ(Read("COMMON", "IDS_LONG", "", f, 255), std::string(254, 'x'));
    EXPECT_EQ(Read("COMMON", "IDS_FILE", "", f, 16), "123456789012345");
    EXPECT_EQ(Read("COMMON", "IDS_FILE", "", f, 1), "");
    EXPECT_EQ(Read("COMMON", "IDS_FILE", "", f, 22), "123456789012345678901");
}

TEST_F(ProfileTest, ZeroSizeOrNoBufferWritesNothing) {
    const auto f = ini("[S]\nK=value\n");
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(platform::GetPrivateProfileString("S", "K", "", buffer, 0, f), 0u);
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(platform::GetPrivateProfileString("S", "K", "", nullptr, 100, f), 0u);
}

TEST_F(ProfileTest, CutNeverSplitsAUtf8Character) {
    // "Größe" is 47 72 C3 B6 C3 9F 65; "€" is E2 82 AC; "𝄞" is F0 9D 84 9E.
    const auto f = ini("[S]\nde=Gr\xC3\xB6\xC3\x9F"
                       "e\neuro=a\xE2\x82\xAC"
                       "b\nclef=\xF0\x9D\x84\x9E!\n");
    EXPECT_EQ(Read("S", "de", "", f, 4), "Gr");         // C3 would be cut from B6
    EXPECT_EQ(Read("S", "de", "", f, 5), "Gr\xC3\xB6"); // whole character fits
    EXPECT_EQ(Read("S", "de", "", f, 6), "Gr\xC3\xB6"); // cut at C3 of the next one
    EXPECT_EQ(Read("S", "euro", "", f, 3), "a");        // 2 of 3 bytes: dropped
    EXPECT_EQ(Read("S", "euro", "", f, 4), "a");
    EXPECT_EQ(Read("S", "euro", "", f, 5), "a\xE2\x82\xAC");
    EXPECT_EQ(Read("S", "clef", "", f, 4), ""); // 3 of 4 bytes: dropped
    EXPECT_EQ(Read("S", "clef", "", f, 5), "\xF0\x9D\x84\x9E");
}

TEST_F(ProfileTest, TextThatIsNotUtf8IsCutBytewise) {
    // Latin-1 "Ä" (C4) followed by stray continuation bytes: no character to protect.
    const auto f = ini("[S]\nk=ab\x80\x80\x80\x80\x80z\n");
    EXPECT_EQ(Read("S", "k", "", f, 6), "ab\x80\x80\x80");
}

TEST_F(ProfileTest, CrLfCommentsAndLinesWithoutEqualsSign) {
    const auto f = ini("; leading comment\r\n[MENU]\r\n;IDM_EXIT=commented\r\nno equals here\r\n"
                       "IDM_EXIT=E&xit\r\n=nameless\r\n[broken\r\nIDM_ABOUT=About\r\n");
    EXPECT_EQ(Read("MENU", "IDM_EXIT", "", f), "E&xit");
    EXPECT_EQ(Read("MENU", "no equals here", "d", f), "d");
    EXPECT_EQ(Read("MENU", ";IDM_EXIT", "d", f), "d");
    // A line that is no section head does not end the section.
    EXPECT_EQ(Read("MENU", "IDM_ABOUT", "", f), "About");
}

TEST_F(ProfileTest, KeysBeforeAnySectionBelongToNone) {
    const auto f = ini("K=orphan\n[S]\nK=mine\n");
    EXPECT_EQ(Read("S", "K", "", f), "mine");
    EXPECT_EQ(Read("", "K", "d", f), "d");
}

TEST_F(ProfileTest, ByteOrderMarkAndEmbeddedNul) {
    const auto f = ini(std::string("\xEF\xBB\xBF[S]\nK=before\0after\nL=next\n", 31));
    EXPECT_EQ(Read("S", "K", "", f), "before");
    EXPECT_EQ(Read("S", "L", "", f), "next");
}

TEST_F(ProfileTest, VeryLongLinesAreRead) {
    const std::string value(1 << 20, 'v');
    const auto f = ini("[S]\n" + std::string(100000, ';') + "\nK=" + value + "\nL=after\n");
    EXPECT_EQ(Read("S", "K", "", f, 10), "vvvvvvvvv");
    EXPECT_EQ(Read("S", "L", "", f), "after");
}

TEST_F(ProfileTest, BinaryJunkNeverCrashes) {
    std::mt19937 random(1234);
    for (int round = 0; round < 20; ++round) {
        std::string junk(2000, '\0');
        for (char& c : junk) {
            c = static_cast<char>(random() & 0xFF);
        }
        if (round % 2 == 0) {
            junk.insert(junk.size() / 2, "\n[S]\nK=found\n");
        }
        const auto f = ini(junk);
        const std::string got = Read("S", "K", "d", f, 8);
        if (round % 2 == 0) {
            EXPECT_EQ(got, "found");
        }
        (void)platform::GetPrivateProfileInt("S", "K", 5, f);
    }
}

TEST_F(ProfileTest, FileWithoutFolderLivesInTheProfileDirectory) {
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.path());
    EXPECT_EQ(platform::ProfileDirectory(), dir.path());
    dir.write("KELPIX.INI", "[KELPIX DRIVER]\nPortType=2\n");
    EXPECT_EQ(platform::GetPrivateProfileInt("KELPIX DRIVER", "PortType", 1, "KELPIX.INI"), 2);
}

TEST_F(ProfileTest, ProfileDirectoryFallsBackToHomeConfig) {
    ScopedEnv home("HOME", dir.path());
    {
        auto xdg = ScopedEnv::unset("XDG_CONFIG_HOME");
        EXPECT_EQ(platform::ProfileDirectory(), dir.path() + "/.config");
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/not/allowed");
        EXPECT_EQ(platform::ProfileDirectory(), dir.path() + "/.config");
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "");
        EXPECT_EQ(platform::ProfileDirectory(), dir.path() + "/.config");
    }
}

TEST_F(ProfileTest, FileNamesMatchWithoutRegardToCaseAndBackslashes) {
    dir.write("kelpix.ini", "[KELPIX DRIVER]\nPortType=3\n");
    dir.write("lang/English.lng", "[MAIN]\nCAPTION=Panel\n");
    EXPECT_EQ(
        platform::GetPrivateProfileInt("KELPIX DRIVER", "PortType", 1, dir.file("KELPIX.INI")), 3);
    EXPECT_EQ(Read("MAIN", "CAPTION", "", dir.path() + "/lang\\english.lng"), "Panel");
}

TEST_F(ProfileTest, IntegerIsTheLeadingDecimalNumber) {
    const auto f = ini("[S]\na=3\nb=-2\nc=+7\nd=  12abc\ne=abc\nf=\ng=\"5\"\nh=99999999999\n"
                       "i=-99999999999\nj=0x10\nk=- 4\n");
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "a", 1, f), 3);
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "b", 1, f), -2);
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "c", 1, f), 7);
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "d", 1, f), 12);
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "e", 1, f), 0);
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "f", 1, f), 1); // empty: the default
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "g", 1, f), 5);
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "h", 1, f), INT_MAX);
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "i", 1, f), INT_MIN);
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "j", 1, f), 0);
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "k", 1, f), 0);
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "missing", -9, f), -9);
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "a", -9, dir.file("none.ini")), -9);
}

} // namespace
