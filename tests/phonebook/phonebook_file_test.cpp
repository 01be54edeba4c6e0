#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include <sys/resource.h>

#include "model/phonebook_file.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"
#include "support/platform_fixture.h"
#include "support/temp_dir.h"

namespace {

const std::string kHead = std::string("VRN FAX-RCP Phonebook\0\0\0"
                                      "1.00\0\0\0\0",
                                      32) +
                          std::string("\x14\x00\x50\x00\x00\x00\x00\x00", 8);

std::string TableImage() {
    return std::string(reinterpret_cast<const char*>(PhonebookTable), 70 * 100);
}

// Every byte of every slot different, including kind, memberMark and bytes 22 and 69.
std::string PatternImage(unsigned seed) {
    std::string image(7000, '\0');
    for (size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    }
    return image;
}

void LoadImage(const std::string& image) {
    std::memcpy(PhonebookTable, image.data(), 7000);
}

class PhonebookFileTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        SetMachineRecordDefaults();
        ASSERT_TRUE(AllocatePhonebookTable(100));
    }

    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(e.path().filename().string());
        }
        return names;
    }

    TempDir dir;
};

TEST_F(PhonebookFileTest, SavedFileIsTheHeadThenTheTable) {
    LoadImage(PatternImage(1));
    ASSERT_EQ(WritePhonebookFile(dir.file("book.pbf")), 1);
    std::string file = dir.read("book.pbf");
    ASSERT_EQ(file.size(), 7040u);
    EXPECT_EQ(file.substr(0, 40), kHead);
    EXPECT_EQ(file.substr(40), PatternImage(1));
    EXPECT_EQ(TableImage(), PatternImage(1)); // writing changes nothing in memory
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"book.pbf"});
}

TEST_F(PhonebookFileTest, EveryByteRoundTrips) {
    LoadImage(PatternImage(2));
    ASSERT_EQ(WritePhonebookFile(dir.file("book.pbf")), 1);
    LoadImage(std::string(7000, '\0'));
    groupRefCount[5] = 77;
    ASSERT_EQ(ReadPhonebookFile(dir.file("book.pbf")), 1);
    EXPECT_EQ(TableImage(), PatternImage(2));
    EXPECT_EQ(groupRefCount[5], 77); // the caller recounts
}

TEST_F(PhonebookFileTest, SaveReplacesALongerFileWhole) {
    dir.write("book.pbf", std::string(9000, 'x'));
    LoadImage(PatternImage(3));
    ASSERT_EQ(WritePhonebookFile(dir.file("book.pbf")), 1);
    EXPECT_EQ(dir.read("book.pbf"), kHead + PatternImage(3));
}

TEST_F(PhonebookFileTest, HeadChecks) {
    const std::string body = PatternImage(4);
    struct Case {
        const char* what;
        std::string head;
        int result;
    };
    std::string otherVersion = kHead;
    otherVersion.replace(22, 18,
                         "\x01\x02"
                         "2.50\xFF\xFF\xFF\xFF\x09\x08\x07\x06\x05\x04\x03\x02");
    std::string lowerCase = kHead;
    lowerCase[16] = 'b';
    std::string noTerminator = kHead;
    noTerminator[21] = ' ';
    std::string shortMagic = kHead;
    shortMagic[20] = '\0';
    const std::vector<Case> cases = {
        {"as written", kHead, 1},
        {"other version bytes", otherVersion, 1},
        {"other letter case", lowerCase, 0},
        {"magic runs on", noTerminator, 0},
        {"magic one short", shortMagic, 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.head.size(), 40u) << c.what;
        LoadImage(PatternImage(9));
        std::string path = dir.write("case.pbf", c.head + body);
        EXPECT_EQ(ReadPhonebookFile(path), c.result) << c.what;
        EXPECT_EQ(TableImage(), c.result ? body : PatternImage(9)) << c.what;
    }
}

TEST_F(PhonebookFileTest, ShortAndLongFiles) {
    const std::string body = PatternImage(5);
    const std::string old = PatternImage(6);

    // Three slots and twenty bytes of the fourth: the rest keep what they had.
    LoadImage(old);
    std::string cut = dir.write("cut.pbf", kHead + body.substr(0, 230));
    ASSERT_EQ(ReadPhonebookFile(cut), 1);
    EXPECT_EQ(TableImage(), body.substr(0, 230) + old.substr(230));

    // Only the head: accepted, nothing changes.
    LoadImage(old);
    ASSERT_EQ(ReadPhonebookFile(dir.write("head.pbf", kHead)), 1);
    EXPECT_EQ(TableImage(), old);

    // Bytes after the table are ignored.
    LoadImage(old);
    ASSERT_EQ(ReadPhonebookFile(dir.write("long.pbf", kHead + body + std::string(5000, 'z'))), 1);
    EXPECT_EQ(TableImage(), body);
}

TEST_F(PhonebookFileTest, FilesShorterThanTheHeadAreRefused) {
    const std::string old = PatternImage(7);
    for (size_t size : {size_t{0}, size_t{21}, size_t{22}, size_t{39}}) {
        LoadImage(old);
        std::string path = dir.write("tiny.pbf", kHead.substr(0, size));
        EXPECT_EQ(ReadPhonebookFile(path), 0) << size;
        EXPECT_EQ(TableImage(), old) << size;
    }
}

TEST_F(PhonebookFileTest, MissingFilesAndFolders) {
    EXPECT_EQ(ReadPhonebookFile(dir.file("none.pbf")), 0);
    EXPECT_EQ(ReadPhonebookFile(dir.path()), 0); // a folder is no phonebook
    EXPECT_EQ(WritePhonebookFile(dir.file("no/such/folder/book.pbf")), 0);
    EXPECT_EQ(WritePhonebookFile(""), 0);
}

TEST_F(PhonebookFileTest, FailedSaveLeavesTheOldFile) {
    // A folder in the way: the new file cannot take its place.
    std::filesystem::create_directory(dir.file("taken.pbf"));
    dir.write("taken.pbf/inside", "keep");
    EXPECT_EQ(WritePhonebookFile(dir.file("taken.pbf")), 0);
    EXPECT_EQ(dir.read("taken.pbf/inside"), "keep");

    // The disk takes only 1000 bytes: the old file stays as it was.
    const std::string previous = kHead + PatternImage(8);
    dir.write("book.pbf", previous);
    LoadImage(PatternImage(1));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = WritePhonebookFile(dir.file("book.pbf"));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(dir.read("book.pbf"), previous);

    auto entries = folderEntries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"book.pbf", "taken.pbf"})); // no leftovers
}

TEST_F(PhonebookFileTest, NoTableNoFile) {
    FreePhonebookTable();
    EXPECT_EQ(WritePhonebookFile(dir.file("book.pbf")), 0);
    EXPECT_EQ(ReadPhonebookFile(dir.write("book.pbf", kHead)), 0);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"book.pbf"});
}

TEST_F(PhonebookFileTest, FileOfAnotherTableSize) {
    // A 32-slot machine reads the first 32 slots of a 100-slot file.
    LoadImage(PatternImage(10));
    ASSERT_EQ(WritePhonebookFile(dir.file("big.pbf")), 1);
    ASSERT_TRUE(AllocatePhonebookTable(100));
    inquiryRecord.capacityB = 32;
    ASSERT_EQ(ReadPhonebookFile(dir.file("big.pbf")), 1);
    EXPECT_EQ(TableImage().substr(0, 70 * 32), PatternImage(10).substr(0, 70 * 32));
    EXPECT_EQ(TableImage().substr(70 * 32), std::string(70 * 68, '\0'));
    ASSERT_EQ(WritePhonebookFile(dir.file("small.pbf")), 1);
    EXPECT_EQ(dir.read("small.pbf").size(), 40u + 70 * 32);
}

} // namespace
