#include "phonebook/CPhonebook.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "phonebook/CEditPhonebook.h"
#include "phonebook/CGroupDial.h"
#include "phonebook_window_fixture.h"
#include "templates/phonebook_template.h"

namespace phonebook_page_test {

using namespace phonebook_ids;

class CPhonebookTest : public PhonebookWindowTest {
  protected:
    // Builds and initialises the page (its first read included) and shows it.
    void Open() {
        page = std::make_unique<CPhonebook>(panelContext);
        page->EnsureInitialised();
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        list = page->List();
        ASSERT_NE(list, nullptr);
    }
    QPushButton* Button(int id) { return page->Control<QPushButton>(id); }
    void ClickItem(int item) {
        QTreeWidgetItem* row = list->topLevelItem(item);
        ASSERT_NE(row, nullptr);
        list->scrollToItem(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
        ASSERT_EQ(page->SelectedItem(), item);
    }
    void DoubleClickItem(int item) {
        QTreeWidgetItem* row = list->topLevelItem(item);
        ASSERT_NE(row, nullptr);
        list->scrollToItem(row);
        const QPoint at = list->visualItemRect(row).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
    // The page's focus child: whether the window is active as well is up to
    // the platform.
    bool ListHasFocus() { return page->focusWidget() == list; }
    bool EditOn() { return Button(kEdit)->isEnabled(); }
    bool GroupOn() { return Button(kGroupDial)->isEnabled(); }

    std::unique_ptr<CPhonebook> page;
    QTreeWidget* list = nullptr;
};

TEST_F(CPhonebookTest, ReadsBehindTheWaitCursorAndShowsEverySpeedDialSlot) {
    machine().setSlotNumber(5, "ANNA", "0123456");
    machine().setSlotGroup(20, "TEAM", SpeedMembers({5}));
    Open();
    EXPECT_GE(clock.slept(), 1500u);
    EXPECT_EQ(desk.waitCursorShown, 1);
    EXPECT_EQ(desk.waitCursorDepth, 0);
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(panelContext.records.groupRefCount[5], 1); // counted after the read

    ASSERT_EQ(list->topLevelItemCount(), 100);
    EXPECT_EQ(ItemText(list, 0, 0), "  0");
    EXPECT_EQ(ItemText(list, 7, 0), "  7");
    EXPECT_EQ(ItemText(list, 42, 0), " 42");
    EXPECT_EQ(ItemText(list, 99, 0), " 99");
    EXPECT_TRUE(list->topLevelItem(99)->textAlignment(0) & Qt::AlignRight);
    EXPECT_EQ(ItemText(list, 5, 1), "ANNA");
    EXPECT_EQ(ItemText(list, 5, 2), "0123456");
    EXPECT_EQ(ItemText(list, 20, 1), "TEAM");
    EXPECT_EQ(ItemText(list, 20, 2), "*GROUP DIAL*");
    EXPECT_EQ(page->SelectedItem(), 0);

    auto* speed = page->Control<QRadioButton>(kSpeedDialRadio);
    EXPECT_EQ(speed->text().toStdString(), "Speed dial ( 0 ~ 99 )");
    EXPECT_TRUE(speed->isChecked());
    EXPECT_TRUE(speed->isVisible());
    EXPECT_FALSE(page->Control<QRadioButton>(kOneTouchRadio)->isVisible());
    EXPECT_EQ(list->headerItem()->text(0).toStdString(), "No.");
    EXPECT_EQ(list->headerItem()->text(2).toStdString(), "Tel. Number");
    EXPECT_EQ(list->columnWidth(0), 40);
    EXPECT_EQ(list->columnWidth(1), 150);
    EXPECT_EQ(Button(kDeleteAll)->text().toStdString(), "Delete &All");
}

TEST_F(CPhonebookTest, FailedReadsShowTheNotRespondingBoxAndKeepTheTable) {
    machine().setSlotNumber(1, "ONE", "111");
    sim::Fault silent;
    silent.silent = true;
    machine().setFault(sim::Command::GetPhonebook, silent);
    Open();
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.messageBoxes[0].icon, desktop::Icon::Error);
    EXPECT_EQ(ItemText(list, 1, 1), "");
    ASSERT_EQ(list->topLevelItemCount(), 100);

    SetTableNumber(2, "KEPT", "222");
    page->FillList();
    Click(kRead);
    EXPECT_EQ(desk.messageBoxes.size(), 2u);
    EXPECT_EQ(ItemText(list, 2, 1), "KEPT");
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[2]), "KEPT");

    machine().clearFaults();
    Click(kRead);
    EXPECT_EQ(desk.messageBoxes.size(), 2u);
    EXPECT_EQ(ItemText(list, 1, 1), "ONE");
    // The machine's empty slot 2 replaces the edit that was never written.
    EXPECT_EQ(ItemText(list, 2, 1), "");
    EXPECT_EQ(panelContext.records.phonebookTable[2].name[0], 0);
}

TEST_F(CPhonebookTest, AClickSetsEditAndGroupDialFromTheSlot) {
    machine().setSlotNumber(1, "ONE", "111");
    machine().setSlotGroup(2, "TEAM", SpeedMembers({1}));
    Open();

    ClickItem(1); // a number: Edit only
    EXPECT_TRUE(EditOn());
    EXPECT_FALSE(GroupOn());
    ClickItem(0); // empty: both
    EXPECT_TRUE(EditOn());
    EXPECT_TRUE(GroupOn());
    ClickItem(2); // a group: Group dial only
    EXPECT_FALSE(EditOn());
    EXPECT_TRUE(GroupOn());

    SetTableNumber(3, "NAME ONLY", "");
    page->FillList();
    ClickItem(3); // a name without a number keeps what was there
    EXPECT_FALSE(EditOn());
    EXPECT_TRUE(GroupOn());

    // A group without a name or a member among slots 0..7 is still a group:
    // the entry editor would write a number over its member field.
    machine().setSlotGroup(4, "", SpeedMembers({20}));
    desk.choiceAnswers = {1}; // discard the local slot 3
    Click(kRead);
    ASSERT_EQ(desk.choices.size(), 1u); // Read over an unsent edit asks first
    EXPECT_TRUE(desk.choices[0].text.startsWith("The phonebook has changes"));
    ClickItem(0);
    ClickItem(4);
    EXPECT_FALSE(EditOn());
    EXPECT_TRUE(GroupOn());
}

TEST_F(CPhonebookTest, ButtonsKeepTheirStateAfterReadDeleteAndDeleteAll) {
    machine().setSlotNumber(1, "ONE", "111");
    machine().setSlotGroup(2, "TEAM", SpeedMembers({1}));
    Open();
    ClickItem(2);
    ASSERT_FALSE(EditOn());
    ASSERT_TRUE(GroupOn());

    Click(kRead); // selects item 0, an empty slot
    EXPECT_EQ(page->SelectedItem(), 0);
    EXPECT_FALSE(EditOn());
    EXPECT_TRUE(GroupOn());

    Click(kDelete);
    EXPECT_FALSE(EditOn());
    EXPECT_TRUE(GroupOn());

    ClickItem(1);
    ASSERT_TRUE(EditOn());
    ASSERT_FALSE(GroupOn());
    desk.choiceAnswers = {1};
    Click(kDeleteAll);
    EXPECT_TRUE(EditOn());
    EXPECT_FALSE(GroupOn());
    EXPECT_EQ(ItemText(list, 2, 1), "");
}

TEST_F(CPhonebookTest, DeletingAGroupReleasesItsMembers) {
    machine().setSlotNumber(3, "THREE", "333");
    machine().setSlotNumber(10, "TEN", "1010");
    machine().setSlotGroup(20, "G1", SpeedMembers({3, 10}));
    machine().setSlotGroup(21, "G2", SpeedMembers({10}));
    Open();
    ASSERT_EQ(panelContext.records.groupRefCount[3], 1);
    ASSERT_EQ(panelContext.records.groupRefCount[10], 2);
    ASSERT_EQ(panelContext.records.phonebookTable[3].memberMark, 1);

    ClickItem(20);
    Click(kDelete);
    EXPECT_EQ(desk.beeps, 0);
    EXPECT_EQ(panelContext.records.groupRefCount[3], 0);
    EXPECT_EQ(panelContext.records.phonebookTable[3].memberMark, 0);
    EXPECT_EQ(panelContext.records.groupRefCount[10], 1);
    EXPECT_EQ(panelContext.records.phonebookTable[10].memberMark, 1);
    EXPECT_EQ(panelContext.records.phonebookTable[20].kind, 0);
    EXPECT_EQ(ItemText(list, 20, 1), "");
    EXPECT_EQ(ItemText(list, 20, 2), "");
    EXPECT_EQ(page->SelectedItem(), 20);
    EXPECT_TRUE(ListHasFocus());

    // Slot 3 is free now; slot 10 is still held by G2, which the box names.
    ClickItem(10);
    Click(kDelete);
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.messageBoxes[0].text,
              "Slot 10 is a member of the group dial 21 G2. Take it out of the group first.");
    EXPECT_EQ(ItemText(list, 10, 1), "TEN");
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[10]), "1010");
    ClickItem(3);
    Click(kDelete);
    EXPECT_EQ(desk.beeps, 0);
    EXPECT_EQ(ItemText(list, 3, 1), "");
}

TEST_F(CPhonebookTest, DeleteAllBeepsOncePerSlotAMarkedGroupHolds) {
    machine().setSlotNumber(3, "THREE", "333");
    machine().setSlotNumber(10, "TEN", "1010");
    machine().setSlotNumber(11, "LOOSE", "1111");
    machine().setSlotGroup(20, "HELD", SpeedMembers({3, 10}));
    Open();
    panelContext.records.phonebookTable[20].memberMark =
        1; // as a machine marks a group that others use

    Click(kDeleteAll); // the question's default keeps everything
    EXPECT_EQ(ItemText(list, 11, 1), "LOOSE");
    desk.choiceAnswers = {1};
    Click(kDeleteAll);
    ASSERT_EQ(desk.choices.size(), 2u);
    EXPECT_EQ(desk.choices[1].text, "Clear all 4 used slots? Slots that a group holds stay. The "
                                    "machine keeps its phonebook until you click Write.");
    EXPECT_EQ(desk.beeps, 3);
    EXPECT_EQ(ItemText(list, 3, 1), "THREE");
    EXPECT_EQ(ItemText(list, 10, 1), "TEN");
    EXPECT_EQ(ItemText(list, 20, 2), "*GROUP DIAL*");
    EXPECT_EQ(ItemText(list, 11, 1), "");
    EXPECT_EQ(page->SelectedItem(), 0);
}

TEST_F(CPhonebookTest, CommandsWithoutASelectedItemOnlyBeep) {
    Open();
    list->clearSelection();
    Click(kDelete);
    Click(kEdit);
    Click(kGroupDial);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 5000));
    EXPECT_EQ(desk.beeps, 4);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(CPhonebookTest, ConfirmingAGroupWithoutMembers) {
    Open();
    SetTableNumber(40, "WAS", "4040");
    panelContext.records.phonebookTable[41].memberMark = 1;
    page->FillList();

    ClickItem(40);
    WhenModal([](QWidget* w) {
        auto* editor = qobject_cast<CGroupDial*>(w);
        ASSERT_NE(editor, nullptr);
        editor->OnOK();
    });
    page->OnGroupDial();
    EXPECT_EQ(panelContext.records.phonebookTable[40].kind, 0); // no mark: back to an empty slot
    EXPECT_EQ(ItemText(list, 40, 1), "");
    EXPECT_EQ(ItemText(list, 40, 2), "");

    ClickItem(41);
    WhenModal([](QWidget* w) {
        auto* editor = qobject_cast<CGroupDial*>(w);
        ASSERT_NE(editor, nullptr);
        editor->NameField()->setText("MARKED");
        editor->OnOK();
    });
    page->OnGroupDial();
    EXPECT_EQ(panelContext.records.phonebookTable[41].kind, 1);
    EXPECT_EQ(ItemText(list, 41, 1), "MARKED");
    EXPECT_EQ(ItemText(list, 41, 2), "*GROUP DIAL*");
    EXPECT_FALSE(EditOn());
    EXPECT_TRUE(GroupOn());
}

TEST_F(CPhonebookTest, DoubleClickOpensTheEditorOfTheSlotKind) {
    machine().setSlotNumber(1, "ONE", "111");
    machine().setSlotGroup(2, "TEAM", SpeedMembers({1}));
    Open();

    QString seen;
    WhenModal([&seen](QWidget* w) {
        seen = w->metaObject()->className();
        auto* editor = qobject_cast<CEditPhonebook*>(w);
        ASSERT_NE(editor, nullptr);
        editor->NumberField()->setText("5556677");
        editor->OnOK();
    });
    DoubleClickItem(1);
    EXPECT_EQ(seen.toStdString(), "CEditPhonebook");
    EXPECT_EQ(SlotNumber(panelContext.records.phonebookTable[1]), "5556677");
    EXPECT_EQ(SlotName(panelContext.records.phonebookTable[1]), "ONE");
    EXPECT_EQ(ItemText(list, 1, 2), "5556677");
    EXPECT_TRUE(ListHasFocus());

    WhenModal([&seen](QWidget* w) { seen = w->metaObject()->className(); });
    DoubleClickItem(2);
    EXPECT_EQ(seen.toStdString(), "CGroupDial");
    EXPECT_EQ(panelContext.records.phonebookTable[2].kind, 1); // cancelled: unchanged
    EXPECT_EQ(panelContext.records.groupRefCount[1], 1);
}

TEST_F(CPhonebookTest, EditNeverWritesANumberOverAGroup) {
    Open();
    ClickItem(2); // an empty slot: both buttons on
    ASSERT_TRUE(EditOn());
    // A read puts a group in the first slot, which the refilled list selects;
    // the buttons keep their state.
    machine().setSlotGroup(0, "", SpeedMembers({1, 9}));
    Click(kRead);
    ASSERT_EQ(list->currentItem(), list->topLevelItem(0));
    ASSERT_TRUE(EditOn());
    Click(kEdit);
    EXPECT_EQ(desk.beeps, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(panelContext.records.phonebookTable[0].kind, 1);
    const sim::Members expected = SpeedMembers({1, 9});
    EXPECT_EQ(0, std::memcmp(panelContext.records.phonebookTable[0].members, expected.data(),
                             kMembersLength));
}

TEST_F(CPhonebookTest, WriteSendsTheEditedPhonebookByteForByte) {
    machine().setSlotNumber(3, "THREE", "333");
    machine().setSlotNumber(10, "TEN", "1010");
    machine().setSlotGroup(20, "G1", SpeedMembers({3}));
    Open();

    ClickItem(7);
    WhenModal([](QWidget* w) {
        auto* editor = qobject_cast<CEditPhonebook*>(w);
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor->NameField(), "new entry");
        QTest::keyClicks(editor->NumberField(), "0p12*#");
        editor->OnOK();
    });
    Click(kEdit);
    ASSERT_EQ(SlotName(panelContext.records.phonebookTable[7]), "NEW ENTRY");
    ASSERT_EQ(SlotNumber(panelContext.records.phonebookTable[7]), "0P12*#");

    ClickItem(30);
    WhenModal([](QWidget* w) {
        auto* editor = qobject_cast<CGroupDial*>(w);
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor->NameField(), "pair");
        QTreeWidget* available = editor->AvailableList();
        for (int i = 0; i < available->topLevelItemCount(); ++i) {
            available->topLevelItem(i)->setSelected(true);
        }
        editor->OnAdd();
        editor->OnOK();
    });
    Click(kGroupDial);
    ASSERT_EQ(panelContext.records.phonebookTable[30].kind, 1);

    ClickItem(20);
    Click(kDelete);
    ASSERT_EQ(panelContext.records.phonebookTable[20].kind, 0);

    machine().clearLog();
    Click(kWrite);
    EXPECT_TRUE(desk.messageBoxes.empty());
    const auto requests = machine().requestLog();
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_EQ(requests[0].size(), 6910u);
    EXPECT_EQ(requests[0][2], 0x1A);
    EXPECT_EQ(requests[0][3], 0xFA);

    EXPECT_EQ(machine().slotName(7), "NEW ENTRY");
    EXPECT_EQ(machine().slotKind(20), 0);
    EXPECT_EQ(machine().slotMembers(30), SpeedMembers({3, 7, 10}));
    // Every slot of the request is the table's slot, byte for byte.
    for (int i = 0; i < 100; ++i) {
        const uint8_t* record = requests[0].data() + 10 + 69 * i;
        const PhonebookEntry& e = panelContext.records.phonebookTable[i];
        ASSERT_EQ(record[0], i + 1);
        ASSERT_EQ(record[1], e.kind) << "slot " << i;
        ASSERT_EQ(record[2], e.memberMark) << "slot " << i;
        ASSERT_EQ(0, std::memcmp(record + 3, e.name, 20)) << "slot " << i;
        if (e.kind != 0) {
            ASSERT_EQ(0, std::memcmp(record + 23, e.members, 46)) << "slot " << i;
        } else {
            const size_t n = SlotNumber(e).size();
            ASSERT_EQ(0, std::memcmp(record + 23, e.number, n)) << "slot " << i;
            for (size_t k = n; k < 46; ++k) {
                ASSERT_EQ(record[23 + k], 0xFF) << "slot " << i;
            }
        }
    }
}

TEST_F(CPhonebookTest, AFailedWriteShowsTheNotRespondingBox) {
    Open();
    // A write the machine misses shows in the read-back only when it differs.
    std::snprintf(panelContext.records.phonebookTable[3].name,
                  sizeof panelContext.records.phonebookTable[3].name, "NEW");
    sim::Fault silent;
    silent.silent = true;
    machine().setFault(sim::Command::SetPhonebook, silent);
    Click(kWrite);
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.messageBoxes[0].icon, desktop::Icon::Error);
    EXPECT_EQ(desk.waitCursorDepth, 0);
}

// A settings answer that came too late is dropped before the phonebook read:
// the page shows the machine's entries, not an empty book.
TEST_F(CPhonebookTest, ALateSettingsAnswerDoesNotEmptyTheBook) {
    machine().setSlotNumber(5, "ANNA", "0123456");
    machine().setFault(sim::Command::GetSetup, sim::Fault{.lateMs = 5000, .times = 1});
    EXPECT_EQ(Mfp_GetSettings(panelContext.link, panelContext.records.systemSetup), 0);
    clock.sleep(10000);

    Open();
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(ItemText(list, 5, 1), "ANNA");
    EXPECT_EQ(ItemText(list, 5, 2), "0123456");
}

TEST_F(CPhonebookTest, TheFindBoxShowsTheSlotsThatHoldItsText) {
    machine().setSlotNumber(3, "CAF\xC9 ROMA", "0301234");
    machine().setSlotNumber(8, "ANNA", "0449876");
    Open();
    QLineEdit* find = page->FindBox();
    ASSERT_NE(find, nullptr);
    const auto shown = [&] {
        std::vector<int> rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (!list->topLevelItem(i)->isHidden()) {
                rows.push_back(i);
            }
        }
        return rows;
    };
    QTest::keyClick(page.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(find->hasFocus());
    // Without regard to case or accents, in names and numbers.
    QTest::keyClicks(find, "cafe");
    EXPECT_EQ(shown(), std::vector<int>{3});
    EXPECT_EQ(page->SelectedItem(), 3);
    find->setText("98");
    EXPECT_EQ(shown(), std::vector<int>{8});
    QTest::keyClick(find, Qt::Key_Escape);
    EXPECT_EQ(find->text(), "");
    EXPECT_EQ(shown().size(), 100u);
}

} // namespace phonebook_page_test
