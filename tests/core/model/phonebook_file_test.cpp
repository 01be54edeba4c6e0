#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/phonebook_file.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"
#include "support/core/context_fixture.h"
#include "support/platform/temp_dir.h"

namespace {

const std::string kHead = std::string("VRN FAX-RCP Phonebook\0\0\0"
                                      "1.00\0\0\0\0",
                                      32) +
                          std::string("\x14\x00\x50\x00\x00\x00\x00\x00", 8);

std::string TableImage(const MachineRecords& records) {
    return std::string(reinterpret_cast<const char*>(records.phonebookTable), 70 * 100);
}

// Every byte of every slot different, including kind, memberMark and bytes 22 and 69.
std::string PatternImage(unsigned seed) {
    std::string image(7000, '\0');
    for (size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    }
    return image;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

void LoadImage(MachineRecords& records, const std::string& image) {
    std::memcpy(records.phonebookTable, image.data(), 7000);
}

class PhonebookFileTest : public ContextTest {
  protected:
    void SetUp() override {
        ContextTest::SetUp();
        SetMachineRecordDefaults(panelContext.records);
        ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100));
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
    LoadImage(panelContext.records, PatternImage(1));
    ASSERT_EQ(WritePhonebookFile(panelContext.records, dir.file("book.pbf")), 1);
    std::string file = dir.read("book.pbf");
    ASSERT_EQ(file.size(), 7040u);
    EXPECT_EQ(file.substr(0, 40), kHead);
    EXPECT_EQ(file.substr(40), PatternImage(1));
    EXPECT_EQ(TableImage(panelContext.records),
              PatternImage(1)); // writing changes nothing in memory
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"book.pbf"});
}

TEST_F(PhonebookFileTest, EveryByteRoundTrips) {
    LoadImage(panelContext.records, PatternImage(2));
    ASSERT_EQ(WritePhonebookFile(panelContext.records, dir.file("book.pbf")), 1);
    LoadImage(panelContext.records, std::string(7000, '\0'));
    panelContext.records.groupRefCount[5] = 77;
    ASSERT_EQ(ReadPhonebookFile(panelContext.records, dir.file("book.pbf")), 1);
    EXPECT_EQ(TableImage(panelContext.records), PatternImage(2));
    EXPECT_EQ(panelContext.records.groupRefCount[5], 77); // the caller recounts
}

TEST_F(PhonebookFileTest, SaveReplacesALongerFileWhole) {
    dir.write("book.pbf", std::string(9000, 'x'));
    LoadImage(panelContext.records, PatternImage(3));
    ASSERT_EQ(WritePhonebookFile(panelContext.records, dir.file("book.pbf")), 1);
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
        LoadImage(panelContext.records, PatternImage(9));
        std::string path = dir.write("case.pbf", c.head + body);
        EXPECT_EQ(ReadPhonebookFile(panelContext.records, path), c.result) << c.what;
        EXPECT_EQ(TableImage(panelContext.records), c.result ? body : PatternImage(9)) << c.what;
    }
}

TEST_F(PhonebookFileTest, ShortAndLongFiles) {
    const std::string body = PatternImage(5);
    const std::string old = PatternImage(6);

    // Three slots and twenty bytes of the fourth: the rest keep what they had.
    LoadImage(panelContext.records, old);
    std::string cut = dir.write("cut.pbf", kHead + body.substr(0, 230));
    ASSERT_EQ(ReadPhonebookFile(panelContext.records, cut), 1);
    EXPECT_EQ(TableImage(panelContext.records), body.substr(0, 230) + old.substr(230));

    // Only the head: accepted, nothing changes.
    LoadImage(panelContext.records, old);
    ASSERT_EQ(ReadPhonebookFile(panelContext.records, dir.write("head.pbf", kHead)), 1);
    EXPECT_EQ(TableImage(panelContext.records), old);

    // Bytes after the table are ignored.
    LoadImage(panelContext.records, old);
    ASSERT_EQ(ReadPhonebookFile(panelContext.records,
                                dir.write("long.pbf", kHead + body + std::string(5000, 'z'))),
              1);
    EXPECT_EQ(TableImage(panelContext.records), body);
}

TEST_F(PhonebookFileTest, FilesShorterThanTheHeadAreRefused) {
    const std::string old = PatternImage(7);
    for (size_t size : {size_t{0}, size_t{21}, size_t{22}, size_t{39}}) {
        LoadImage(panelContext.records, old);
        std::string path = dir.write("tiny.pbf", kHead.substr(0, size));
        EXPECT_EQ(ReadPhonebookFile(panelContext.records, path), 0) << size;
        EXPECT_EQ(TableImage(panelContext.records), old) << size;
    }
}

TEST_F(PhonebookFileTest, FilesThatAreNoPhonebookAndTheirReasons) {
    using E = FileError;
    const std::string fifo = dir.file("pipe.pbf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("pipe.pbf", dir.file("to-pipe.pbf").c_str()), 0);
    const struct {
        std::string path;
        E load;
        E save;
    } cases[] = {
        {dir.file("none.pbf"), E::kMissing, E::kNone},
        {dir.file("no/such/folder/book.pbf"), E::kMissing, E::kMissing},
        {"", E::kMissing, E::kMissing},
        {dir.path(), E::kNotRegular, E::kNotRegular},
        {dir.path() + "/", E::kNotRegular, E::kNotRegular},
        // Without a writer an open of a FIFO would wait for ever.
        {fifo, E::kNotRegular, E::kNotRegular},
        {dir.file("to-pipe.pbf"), E::kNotRegular, E::kNotRegular},
        {"/dev/null", E::kNotRegular, E::kNotRegular},
        {dir.write("short.pbf", kHead.substr(0, 39)), E::kWrongContent, E::kNone},
    };
    const std::string old = PatternImage(11);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        LoadImage(panelContext.records, old);
        E error = E::kNone;
        EXPECT_EQ(ReadPhonebookFile(panelContext.records, c.path, &error), 0);
        EXPECT_EQ(error, c.load);
        EXPECT_EQ(TableImage(panelContext.records), old);
        if (c.save != E::kNone) {
            error = E::kNone;
            EXPECT_EQ(WritePhonebookFile(panelContext.records, c.path, &error), 0);
            EXPECT_EQ(error, c.save);
        }
    }
    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo))); // still what they were
    EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null")));
}

TEST_F(PhonebookFileTest, FailedSaveLeavesTheOldFile) {
    // A folder in the way: the new file cannot take its place.
    std::filesystem::create_directory(dir.file("taken.pbf"));
    dir.write("taken.pbf/inside", "keep");
    EXPECT_EQ(WritePhonebookFile(panelContext.records, dir.file("taken.pbf")), 0);
    EXPECT_EQ(dir.read("taken.pbf/inside"), "keep");

    // The disk takes only 1000 bytes: the old file stays as it was.
    const std::string previous = kHead + PatternImage(8);
    dir.write("book.pbf", previous);
    LoadImage(panelContext.records, PatternImage(1));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = WritePhonebookFile(panelContext.records, dir.file("book.pbf"));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(dir.read("book.pbf"), previous);

    auto entries = folderEntries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"book.pbf", "taken.pbf"})); // no leftovers
}

// --- what a save keeps of the file it replaces --------------------------------

TEST_F(PhonebookFileTest, SaveKeepsTheModeOfTheOldFileAndNewFilesFollowTheUmask) {
    for (mode_t mode : {0600, 0640, 0604}) {
        const std::string path = dir.write("kept.pbf", "old");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        LoadImage(panelContext.records, PatternImage(mode));
        ASSERT_EQ(WritePhonebookFile(panelContext.records, path), 1);
        EXPECT_EQ(ModeOf(path), S_IFREG | mode);
        EXPECT_EQ(dir.read("kept.pbf"), kHead + PatternImage(mode));
    }
    const mode_t old = ::umask(027);
    const int result = WritePhonebookFile(panelContext.records, dir.file("new.pbf"));
    ::umask(old);
    ASSERT_EQ(result, 1);
    EXPECT_EQ(ModeOf(dir.file("new.pbf")), S_IFREG | 0640);
}

TEST_F(PhonebookFileTest, SaveRefusesWhatTheUserMayNotChange) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may change any file";
    }
    // A read-only file, and a writable one in a folder it may not change.
    ASSERT_EQ(::chmod(dir.write("locked.pbf", "old").c_str(), 0444), 0);
    dir.write("closed/book.pbf", "old");
    ASSERT_EQ(::chmod(dir.file("closed").c_str(), 0555), 0);
    for (const char* name : {"locked.pbf", "closed/book.pbf"}) {
        FileError error = FileError::kNone;
        EXPECT_EQ(WritePhonebookFile(panelContext.records, dir.file(name), &error), 0) << name;
        EXPECT_EQ(error, FileError::kDenied) << name;
        EXPECT_EQ(dir.read(name), "old") << name;
    }
    EXPECT_EQ(ModeOf(dir.file("locked.pbf")), S_IFREG | 0444);
    ::chmod(dir.file("closed").c_str(), 0755);
}

TEST_F(PhonebookFileTest, SaveThroughSymbolicLinksWritesTheFileTheyName) {
    // A relative link to an absolute link in another folder, to the file.
    const std::string target = dir.write("store/real.pbf", "old");
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    ASSERT_EQ(::symlink(target.c_str(), dir.file("store/abs.pbf").c_str()), 0);
    ASSERT_EQ(::symlink("store/abs.pbf", dir.file("book.pbf").c_str()), 0);
    ASSERT_EQ(::symlink("store/later.pbf", dir.file("later.pbf").c_str()), 0); // not there yet
    LoadImage(panelContext.records, PatternImage(15));

    ASSERT_EQ(WritePhonebookFile(panelContext.records, dir.file("book.pbf")), 1);
    ASSERT_EQ(WritePhonebookFile(panelContext.records, dir.file("later.pbf")), 1);

    EXPECT_EQ(dir.read("store/real.pbf"), kHead + PatternImage(15));
    EXPECT_EQ(dir.read("store/later.pbf"), kHead + PatternImage(15));
    EXPECT_EQ(ModeOf(target), S_IFREG | 0600);
    EXPECT_EQ(std::filesystem::read_symlink(dir.file("book.pbf")), "store/abs.pbf");
    EXPECT_TRUE(S_ISLNK(ModeOf(dir.file("store/abs.pbf"))));
    EXPECT_TRUE(S_ISLNK(ModeOf(dir.file("later.pbf"))));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("store")), {}), 3);
    EXPECT_EQ(folderEntries().size(), 3u); // no leftovers

    ASSERT_EQ(::symlink("loop-b.pbf", dir.file("loop-a.pbf").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a.pbf", dir.file("loop-b.pbf").c_str()), 0);
    FileError error = FileError::kNone;
    EXPECT_EQ(WritePhonebookFile(panelContext.records, dir.file("loop-a.pbf"), &error), 0);
    EXPECT_EQ(error, FileError::kUnsafeLink);
}

TEST_F(PhonebookFileTest, SaveDoesNotFollowAnotherUsersLinkInASharedFolder) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a link to another user takes root";
    }
    // As in /tmp: world-writable and sticky, the link someone else's.
    const std::string mine = dir.write("mine.pbf", "precious");
    const std::string link = dir.path() + "/shared/book.pbf";
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("shared")));
    ASSERT_EQ(::chmod(dir.file("shared").c_str(), 01777), 0);
    ASSERT_EQ(::symlink(mine.c_str(), link.c_str()), 0);
    ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
    FileError error = FileError::kNone;
    EXPECT_EQ(WritePhonebookFile(panelContext.records, link, &error), 0);
    EXPECT_EQ(error, FileError::kUnsafeLink);
    EXPECT_EQ(dir.read("mine.pbf"), "precious");

    ASSERT_EQ(::lchown(link.c_str(), 0, 0), 0); // our own link there is followed
    EXPECT_EQ(WritePhonebookFile(panelContext.records, link), 1);
    EXPECT_EQ(dir.read("mine.pbf").size(), 7040u);
}

TEST_F(PhonebookFileTest, HardLinkedFileIsRefusedAndStaysOneFile) {
    const std::string first = dir.write("first.pbf", "old");
    ASSERT_EQ(::link(first.c_str(), dir.file("second.pbf").c_str()), 0);
    FileError error = FileError::kNone;
    EXPECT_EQ(WritePhonebookFile(panelContext.records, first, &error), 0);
    EXPECT_EQ(error, FileError::kHardLinked);
    struct stat st {};
    ASSERT_EQ(::stat(first.c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 2u);
    EXPECT_EQ(dir.read("first.pbf"), "old");
    EXPECT_EQ(folderEntries().size(), 2u);
}

TEST_F(PhonebookFileTest, NameNearTheLongestAllowedSavesAndLoads) {
    const std::string name = std::string(246, 'n') + ".pbf"; // 250
    LoadImage(panelContext.records, PatternImage(18));
    ASSERT_EQ(WritePhonebookFile(panelContext.records, dir.file(name)), 1);
    ASSERT_EQ(WritePhonebookFile(panelContext.records, dir.file(name)), 1); // and replaced
    LoadImage(panelContext.records, std::string(7000, '\0'));
    ASSERT_EQ(ReadPhonebookFile(panelContext.records, dir.file(name)), 1);
    EXPECT_EQ(TableImage(panelContext.records), PatternImage(18));
    EXPECT_EQ(folderEntries(), std::vector<std::string>{name});
}

TEST_F(PhonebookFileTest, NoTableNoFile) {
    FreePhonebookTable(panelContext.records);
    EXPECT_EQ(WritePhonebookFile(panelContext.records, dir.file("book.pbf")), 0);
    EXPECT_EQ(ReadPhonebookFile(panelContext.records, dir.write("book.pbf", kHead)), 0);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"book.pbf"});
}

TEST_F(PhonebookFileTest, FileOfAnotherTableSize) {
    // A 32-slot machine reads the first 32 slots of a 100-slot file.
    LoadImage(panelContext.records, PatternImage(10));
    ASSERT_EQ(WritePhonebookFile(panelContext.records, dir.file("big.pbf")), 1);
    ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100));
    panelContext.records.inquiryRecord.capacityB = 32;
    ASSERT_EQ(ReadPhonebookFile(panelContext.records, dir.file("big.pbf")), 1);
    EXPECT_EQ(TableImage(panelContext.records).substr(0, 70 * 32),
              PatternImage(10).substr(0, 70 * 32));
    EXPECT_EQ(TableImage(panelContext.records).substr(70 * 32), std::string(70 * 68, '\0'));
    ASSERT_EQ(WritePhonebookFile(panelContext.records, dir.file("small.pbf")), 1);
    EXPECT_EQ(dir.read("small.pbf").size(), 40u + 70 * 32);
}

} // namespace
