// Profile (INI) reads with the host's semantics.
#include "platform/profile.h"
#include "support/platform/platform_fixture.h"
#include "support/platform/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

#include <sys/stat.h>

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

// Each case: the profile's text, what is asked for, and the text read.
TEST_F(ProfileTest, ReadsFollowTheHostsRules) {
    const std::string long300(300, 'x');
    // "Größe" is 47 72 C3 B6 C3 9F 65; "€" is E2 82 AC.
    const std::string german = "[S]\nde=Gr\xC3\xB6\xC3\x9F"
                               "e\n";
    const std::string euro = "[S]\neuro=a\xE2\x82\xAC"
                             "b\n";
    static const char withNul[] = "[S]\nK=before\0after\nL=next\n";
    const std::string nulText(withNul, sizeof withNul - 1);
    const struct {
        const char* why;
        std::string text, section, key, def;
        uint32_t size;
        std::string expected;
    } cases[] = {
        {"names ignore case", "[Language]\nFile=english.lng\n", "LANGUAGE", "FILE", "", 512,
         "english.lng"},
        {"names ignore case", "[Language]\nFile=english.lng\n", "language", "file", "", 512,
         "english.lng"},
        {"no such key", "[Language]\nFile=english.lng\n", "LANGUAGE", "FILES", "none", 512, "none"},
        {"first key wins", "[MAIN]\nCAPTION=first\ncaption=second\n[main]\nCAPTION=third\n", "MAIN",
         "CAPTION", "", 512, "first"},
        {"only the first section of a name is searched", "[MAIN]\nA=1\n[OTHER]\nX=1\n[main]\nB=2\n",
         "MAIN", "B", "dflt", 512, "dflt"},
        {"later sections are found", "[MAIN]\nA=1\n[OTHER]\nX=1\n", "OTHER", "X", "", 512, "1"},
        {"blanks around names and values go", "  [ MAIN ]  \n\t CAPTION \t=  Fax  Panel \t \n",
         "MAIN", "CAPTION", "", 512, "Fax  Panel"},
        {"enclosing quotes go", "[S]\na=\"  padded  \"\n", "S", "a", "", 512, "  padded  "},
        {"single quotes too", "[S]\nb='single'\n", "S", "b", "", 512, "single"},
        {"only one pair", "[S]\nc=\"\"twice\"\"\n", "S", "c", "", 512, "\"twice\""},
        {"an open quote stays", "[S]\nd=\"open only\n", "S", "d", "", 512, "\"open only"},
        {"mixed quotes stay", "[S]\ne=\"mixed'\n", "S", "e", "", 512, "\"mixed'"},
        {"inner quotes stay", "[S]\nf=say \"hi\" there\n", "S", "f", "", 512, "say \"hi\" there"},
        {"a lone quote stays", "[S]\ng=\"\n", "S", "g", "", 512, "\""},
        {"empty quotes are empty", "[S]\nh=\"\"\n", "S", "h", "x", 512, ""},
        {"no section", "[S]\nK=v\n", "T", "K", "d", 512, "d"},
        {"no key", "[S]\nK=v\n", "S", "L", "d", 512, "d"},
        {"empty key", "[S]\nK=v\n", "S", "", "d", 512, "d"},
        {"default loses trailing blanks", "", "S", "K", "  keep leading   ", 512, "  keep leading"},
        {"default is cut like a value", "", "S", "K", "abcdef", 4, "abc"},
        {"cut to size - 1", "[C]\nIDS_LONG=" + long300 + "\n", "C", "IDS_LONG", "", 255,
         std::string(254, 'x')},
        {"cut to 15", "[C]\nF=123456789012345678901\n", "C", "F", "", 16, "123456789012345"},
        {"size 1", "[C]\nF=123456789012345678901\n", "C", "F", "", 1, ""},
        {"just fits", "[C]\nF=123456789012345678901\n", "C", "F", "", 22, "123456789012345678901"},
        // "𝄞" is F0 9D 84 9E.
        {"no half UTF-8 character", german, "S", "de", "", 4, "Gr"},
        {"a whole one fits", german, "S", "de", "", 5, "Gr\xC3\xB6"},
        {"cut at the next lead", german, "S", "de", "", 6, "Gr\xC3\xB6"},
        {"2 of 3 bytes dropped", euro, "S", "euro", "", 4, "a"},
        {"1 of 3 bytes dropped", euro, "S", "euro", "", 3, "a"},
        {"3 bytes fit", euro, "S", "euro", "", 5, "a\xE2\x82\xAC"},
        {"3 of 4 bytes dropped", "[S]\nclef=\xF0\x9D\x84\x9E!\n", "S", "clef", "", 4, ""},
        {"4 bytes fit", "[S]\nclef=\xF0\x9D\x84\x9E!\n", "S", "clef", "", 5, "\xF0\x9D\x84\x9E"},
        {"not UTF-8: cut bytewise", "[S]\nk=ab\x80\x80\x80\x80\x80z\n", "S", "k", "", 6,
         "ab\x80\x80\x80"},
        {"CR LF lines", "; c\r\n[MENU]\r\nIDM_EXIT=E&xit\r\n", "MENU", "IDM_EXIT", "", 512,
         "E&xit"},
        {"a line without '=' is no key", "[MENU]\r\nno equals here\r\n", "MENU", "no equals here",
         "d", 512, "d"},
        {"comments are no keys", "[MENU]\r\n;IDM_EXIT=commented\r\n", "MENU", ";IDM_EXIT", "d", 512,
         "d"},
        {"a broken head does not end the section", "[MENU]\r\n=nameless\r\n[broken\r\nK=About\r\n",
         "MENU", "K", "", 512, "About"},
        {"keys before any section belong to none", "K=orphan\n[S]\nK=mine\n", "S", "K", "", 512,
         "mine"},
        {"keys before any section belong to none", "K=orphan\n[S]\nK=mine\n", "", "K", "d", 512,
         "d"},
        {"byte order mark", "\xEF\xBB\xBF[S]\nL=next\n", "S", "L", "", 512, "next"},
        {"a NUL ends the value", nulText, "S", "K", "", 512, "before"},
        {"a NUL ends only its line", nulText, "S", "L", "", 512, "next"},
        {"very long lines", "[S]\n" + std::string(100000, ';') + "\nK=" + std::string(1 << 20, 'v'),
         "S", "K", "", 10, "vvvvvvvvv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(Read(c.section, c.key, c.def, ini(c.text), c.size), c.expected);
    }
}

TEST_F(ProfileTest, MissingUnreadableOrOddFileGivesTheDefault) {
    EXPECT_EQ(Read("S", "K", "d", dir.file("absent.ini")), "d");
    EXPECT_EQ(Read("S", "K", "d", ""), "d");
    EXPECT_EQ(Read("S", "K", "d", dir.path()), "d"); // a folder is no profile
    EXPECT_EQ(Read("S", "K", "d", "/dev/zero"), "d");

    // A FIFO without a writer, by name and as a profile looked for in the
    // profile directory: each read ends at once.
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.path());
    ASSERT_EQ(::mkfifo(dir.file("pipe.ini").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(dir.file("KELPIX.INI").c_str(), 0600), 0);
    EXPECT_EQ(Read("S", "K", "d", dir.file("pipe.ini")), "d");
    EXPECT_EQ(platform::GetPrivateProfileInt("KELPIX DRIVER", "PortType", 7, "KELPIX.INI"), 7);
}

TEST_F(ProfileTest, ZeroSizeOrNoBufferWritesNothing) {
    const auto f = ini("[S]\nK=value\n");
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(platform::GetPrivateProfileString("S", "K", "", buffer, 0, f), 0u);
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(platform::GetPrivateProfileString("S", "K", "", nullptr, 100, f), 0u);
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
    const std::pair<const char*, int> cases[] = {
        {"a", 3},  {"b", -2},      {"c", 7},
        {"d", 12}, {"e", 0},       {"f", 1}, // empty: the default
        {"g", 5},  {"h", INT_MAX}, {"i", INT_MIN},
        {"j", 0},  {"k", 0},       {"missing", 1},
    };
    for (const auto& [key, expected] : cases) {
        EXPECT_EQ(platform::GetPrivateProfileInt("S", key, 1, f), expected) << key;
    }
    EXPECT_EQ(platform::GetPrivateProfileInt("S", "a", -9, dir.file("none.ini")), -9);
}

} // namespace
