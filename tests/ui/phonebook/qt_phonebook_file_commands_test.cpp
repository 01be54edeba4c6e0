#include "phonebook/qt_phonebook_file_commands.h"

#include <QAction>
#include <QTabWidget>
#include <QTreeWidget>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "phonebook/CPhonebook.h"
#include "phonebook_window_fixture.h"
#include "shell/CMainDlg.h"

namespace {

class PhonebookFileCommandsTest : public PhonebookWindowTest {
  protected:
    void SetUp() override {
        PhonebookWindowTest::SetUp();
        page = std::make_unique<CPhonebook>(panelContext);
        page->EnsureInitialised();
    }
    std::vector<uint8_t> TableBytes() const {
        const auto* p = reinterpret_cast<const uint8_t*>(panelContext.records.phonebookTable);
        return std::vector<uint8_t>(p, p + 100 * kPhonebookEntrySize);
    }
    static std::string ItemName(QTreeWidget* list, int item) {
        return list->topLevelItem(item)->text(1).toStdString();
    }

    std::unique_ptr<CPhonebook> page;
    PhonebookFileCommands commands{panelContext.records};
};

TEST_F(PhonebookFileCommandsTest, SaveThenLoadGivesBackEveryByteOfTheTable) {
    // Every byte of every slot carries something, kinds and marks included.
    auto* raw = reinterpret_cast<uint8_t*>(panelContext.records.phonebookTable);
    for (int i = 0; i < 100 * kPhonebookEntrySize; ++i) {
        raw[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    for (int i = 0; i < 100; ++i) {
        panelContext.records.phonebookTable[i].kind = static_cast<uint8_t>(i % 3);
        panelContext.records.phonebookTable[i].memberMark = static_cast<uint8_t>(i % 2);
    }
    std::memcpy(panelContext.records.phonebookTable[5].name, "SAVED\0", 6);
    const std::vector<uint8_t> saved = TableBytes();

    desk.saveAnswers.push_back(QString::fromStdString(dir.file("book")));
    commands.Save(nullptr);
    ASSERT_EQ(desk.fileDialogs.size(), 1u);
    // Copies: every later dialog grows the record.
    const auto save = desk.fileDialogs[0];
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.options.filter.toStdString(),
              "Phonebook Files(*.pbf)|*.pbf|All files (*.*)|*.*||");
    EXPECT_EQ(save.options.defaultExtension.toStdString(), "pbf");
    EXPECT_TRUE(save.options.confirmOverwrite);
    EXPECT_TRUE(desk.messageBoxes.empty());
    const std::string file = dir.read("book.pbf"); // ".pbf" appended
    ASSERT_EQ(file.size(), 7040u);
    EXPECT_EQ(file.compare(0, 21, "VRN FAX-RCP Phonebook"), 0);

    std::memset(panelContext.records.phonebookTable, 0, 100 * kPhonebookEntrySize);
    std::rename(dir.file("book.pbf").c_str(), dir.file("book.PBF").c_str());
    desk.openAnswers.push_back(QString::fromStdString(dir.file("book.PBF"))); // an older name
    page->OnCommand(ID_FILE_LOAD_PBOOK);
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(TableBytes(), saved);
    EXPECT_EQ(ItemName(page->List(), 5), "SAVED"); // the list was refilled
    const auto load = desk.fileDialogs[1];
    EXPECT_FALSE(load.save);
    EXPECT_TRUE(load.options.defaultExtension.isEmpty());
    EXPECT_EQ(load.options.filter.toStdString(), save.options.filter.toStdString());
}

TEST_F(PhonebookFileCommandsTest, LoadRebuildsTheCountsAndTakesTheChosenFolder) {
    StoreSingleNumber(panelContext.records, 3, "THREE", "333");
    uint8_t members[kMembersLength] = {};
    SetMemberBit(members, kSpeedBitmapOffset, 3, true);
    StoreGroup(panelContext.records, 8, "G", members);
    const std::string sub = dir.path() + "/elsewhere";
    desk.saveAnswers.push_back(QString::fromStdString(sub + "/group.pbf"));
    dir.write("elsewhere/.keep", "");
    commands.Save(nullptr);
    ASSERT_EQ(dir.read("elsewhere/group.pbf").size(), 7040u);

    std::memset(panelContext.records.phonebookTable, 0, 100 * kPhonebookEntrySize);
    panelContext.records.groupRefCount[3] = 0;
    desk.openAnswers.push_back(QString::fromStdString(sub + "/group.pbf"));
    page->OnCommand(ID_FILE_LOAD_PBOOK);
    EXPECT_EQ(panelContext.records.groupRefCount[3], 1);
    EXPECT_EQ(ItemName(page->List(), 8), "G");
    // The next dialog starts where the last file was chosen.
    commands.Save(nullptr);
    ASSERT_EQ(desk.fileDialogs.size(), 3u);
    EXPECT_EQ(desk.fileDialogs[2].options.initialDirectory.toStdString(), sub);
}

TEST_F(PhonebookFileCommandsTest, BadFilesGetAMessageAndChangeNothing) {
    StoreSingleNumber(panelContext.records, 1, "KEEP", "111");
    const std::vector<uint8_t> before = TableBytes();

    desk.openAnswers.push_back(QString::fromStdString(dir.file("missing.pbf")));
    page->OnCommand(ID_FILE_LOAD_PBOOK);
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.messageBoxes[0].text.toStdString(), "The phonebook file could not be opened.");

    std::string wrong(7040, '\0');
    wrong.replace(0, 21, "VRN FAX-RCP PHONEBOOK"); // the magic text in other letters
    desk.openAnswers.push_back(QString::fromStdString(dir.write("upper.pbf", wrong)));
    page->OnCommand(ID_FILE_LOAD_PBOOK);
    ASSERT_EQ(desk.messageBoxes.size(), 2u);
    EXPECT_EQ(desk.messageBoxes[1].text.toStdString(),
              "The file is not a phonebook file. The phonebook is unchanged.");
    EXPECT_EQ(desk.messageBoxes[1].caption.toStdString(), "Telvane Remote Control Panel");
    EXPECT_EQ(TableBytes(), before);

    desk.saveAnswers.push_back(QString::fromStdString(dir.file("no/such/folder/x.pbf")));
    commands.Save(nullptr);
    ASSERT_EQ(desk.messageBoxes.size(), 3u);
    EXPECT_EQ(desk.messageBoxes[2].icon, desktop::Icon::Error);

    // Cancelled dialogs do nothing at all.
    page->OnCommand(ID_FILE_LOAD_PBOOK);
    commands.Save(nullptr);
    EXPECT_EQ(desk.messageBoxes.size(), 3u);
    EXPECT_EQ(TableBytes(), before);
}

TEST_F(PhonebookFileCommandsTest, FilesThatCannotBeUsedSayWhy) {
    const std::string fifo = dir.file("pipe.pbf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string linked = dir.write("linked.pbf", "old");
    ASSERT_EQ(::link(linked.c_str(), dir.file("other.pbf").c_str()), 0);

    desk.openAnswers.push_back(QString::fromStdString(fifo));
    page->OnCommand(ID_FILE_LOAD_PBOOK); // returns: nothing waits for a writer
    desk.saveAnswers.push_back(QString::fromStdString(linked));
    commands.Save(nullptr);

    ASSERT_EQ(desk.messageBoxes.size(), 2u);
    EXPECT_EQ(desk.messageBoxes[0].text.toStdString(),
              "This is a folder, device or pipe, not a phonebook file. Nothing was changed.");
    EXPECT_EQ(desk.messageBoxes[1].text.toStdString(),
              "The file has more than one name (hard links); saving would separate them. It is "
              "unchanged: save under another name.");
    EXPECT_EQ(dir.read("linked.pbf"), "old");
}

TEST_F(PhonebookFileCommandsTest, ANameEndingInADotGetsTheExtensionToo) {
    desk.saveAnswers.push_back(QString::fromStdString(dir.file("dotted.")));
    commands.Save(nullptr);
    EXPECT_EQ(dir.read("dotted..pbf").size(), 7040u);
    desk.saveAnswers.push_back(QString::fromStdString(dir.file("named.bak")));
    commands.Save(nullptr);
    EXPECT_EQ(dir.read("named.bak").size(), 7040u);
}

TEST_F(PhonebookFileCommandsTest, APickedFileWithoutExtensionIsOpenedAsItIs) {
    StoreSingleNumber(panelContext.records, 6, "PICKED", "666");
    desk.saveAnswers.push_back(QString::fromStdString(dir.file("plain.pbf")));
    commands.Save(nullptr);
    std::rename(dir.file("plain.pbf").c_str(), dir.file("plain").c_str());
    std::memset(panelContext.records.phonebookTable, 0, 100 * kPhonebookEntrySize);

    desk.openAnswers.push_back(QString::fromStdString(dir.file("plain")));
    page->OnCommand(ID_FILE_LOAD_PBOOK);
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[6]), "PICKED");

    // A typed name that names no file is looked for with ".pbf".
    desk.saveAnswers.push_back(QString::fromStdString(dir.file("typed")));
    commands.Save(nullptr);
    std::memset(panelContext.records.phonebookTable, 0, 100 * kPhonebookEntrySize);
    desk.openAnswers.push_back(QString::fromStdString(dir.file("typed")));
    page->OnCommand(ID_FILE_LOAD_PBOOK);
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[6]), "PICKED");
}

TEST_F(PhonebookFileCommandsTest, TheMenuItemsWorkOnlyWhileThePhonebookPageIsActive) {
    panelContext.records.inquiryRecord.machineClass = 2;
    CMainDlg main(panelContext);
    QAction* load = main.MenuItem(ID_FILE_LOAD_PBOOK);
    QAction* save = main.MenuItem(ID_FILE_SAVE_PBOOK);
    ASSERT_NE(load, nullptr);
    ASSERT_NE(save, nullptr);
    CPhonebook* book = main.Page<CPhonebook>();
    const int tab = main.Sheet()->indexOf(book);
    ASSERT_EQ(tab, 2);
    EXPECT_FALSE(load->isEnabled());
    EXPECT_FALSE(save->isEnabled());

    main.Sheet()->setCurrentIndex(tab);
    EXPECT_TRUE(load->isEnabled());
    EXPECT_TRUE(save->isEnabled());
    main.Sheet()->setCurrentIndex(tab + 1);
    EXPECT_FALSE(load->isEnabled());
    EXPECT_FALSE(save->isEnabled());
    main.Sheet()->setCurrentIndex(tab);
    ASSERT_TRUE(load->isEnabled());

    // File > Save then File > Load reach the page the window holds.
    StoreSingleNumber(panelContext.records, 12, "MENU", "1212");
    desk.saveAnswers.push_back(QString::fromStdString(dir.file("menu.pbf")));
    save->trigger();
    ASSERT_EQ(dir.read("menu.pbf").size(), 7040u);
    std::memset(panelContext.records.phonebookTable, 0, 100 * kPhonebookEntrySize);
    book->FillList();
    desk.openAnswers.push_back(QString::fromStdString(dir.file("menu.pbf")));
    load->trigger();
    EXPECT_EQ(ItemName(book->List(), 12), "MENU");
    EXPECT_TRUE(desk.messageBoxes.empty());
}

} // namespace
