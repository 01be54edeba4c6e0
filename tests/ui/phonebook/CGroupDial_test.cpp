#include "phonebook/CGroupDial.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include "phonebook_window_fixture.h"
#include "templates/group_dial_template.h"
#include "widgets/CIconButton.h"
#include "widgets/qt_dialog_builder.h"

namespace group_dial_test {

using namespace group_dial_ids;

class CGroupDialTest : public PhonebookWindowTest {
  protected:
    void SetUp() override {
        PhonebookWindowTest::SetUp();
        SetTableNumber(1, "ONE", "111");
        SetTableNumber(2, "TWO", "222");
        SetTableNumber(4, "FOUR", "444");
        SetTableNumber(5, "NAME ONLY", "");
        SetTableNumber(7, "SEVEN", "777");
        SetTableNumber(9, "NINE", "999");
        uint8_t members[kMembersLength] = {};
        SetMemberBit(members, kSpeedBitmapOffset, 2, true);
        SetMemberBit(members, kSpeedBitmapOffset, 7, true);
        StoreGroup(panelContext.records, 30, "TEAM", members);
        RecountGroupRefs(panelContext.records);
    }
    void Open(int groupSlot) {
        const PhonebookEntry& e = panelContext.records.phonebookTable[groupSlot];
        editor = std::make_unique<CGroupDial>(panelContext.records, SlotName(e), e.members, true);
        editor->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    }
    static std::vector<std::string> Column(QTreeWidget* list, int column) {
        std::vector<std::string> out;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            out.push_back(list->topLevelItem(i)->text(column).toStdString());
        }
        return out;
    }
    void Select(QTreeWidget* list, std::initializer_list<int> items) {
        list->clearSelection();
        for (int i : items) {
            list->topLevelItem(i)->setSelected(true);
        }
    }
    void Click(int id) {
        QTest::mouseClick(dlg::FindControl<QPushButton>(editor.get(), id), Qt::LeftButton);
    }

    std::unique_ptr<CGroupDial> editor;
};

TEST_F(CGroupDialTest, OpensWithItsMembersAndOffersOnlyNumbers) {
    Open(30);
    QTreeWidget* included = editor->IncludedList();
    QTreeWidget* available = editor->AvailableList();
    EXPECT_EQ(Column(included, 0), (std::vector<std::string>{"SD  2", "SD  7"}));
    EXPECT_EQ(Column(included, 1), (std::vector<std::string>{"TWO", "SEVEN"}));
    EXPECT_EQ(Column(included, 2), (std::vector<std::string>{"222", "777"}));
    // No empty slots, no groups, no name without a number, no members.
    EXPECT_EQ(Column(available, 0), (std::vector<std::string>{"SD  1", "SD  4", "SD  9"}));
    EXPECT_EQ(editor->Included()[2], kIncluded);
    EXPECT_EQ(editor->Included()[7], kIncluded);
    EXPECT_EQ(editor->NameField()->text().toStdString(), "TEAM");
    EXPECT_EQ(editor->windowTitle().toStdString(), "Group dial");
    EXPECT_EQ(dlg::ControlText(editor.get(), kRemove).toStdString(), "Remove (>>)");
    EXPECT_EQ(dlg::ControlText(editor.get(), kAvailableLabel).toStdString(), "Available numbers:");
    EXPECT_EQ(included->headerItem()->text(1).toStdString(), "Name");
    EXPECT_FALSE(dlg::FindControl<QComboBox>(editor.get(), kTypeList)->isVisible());
    EXPECT_EQ(dlg::FindControl<CIconButton>(editor.get(), kOk)->IconId(), 130);
    EXPECT_EQ(editor->typeSelection, 1);
    EXPECT_EQ(editor->NameField()->filterMode, 2);
    EXPECT_EQ(editor->NameField()->maxLength(), 20);
}

TEST_F(CGroupDialTest, AddAppendsTheSelectedSlotsInListOrderAndCountsThem) {
    Open(30);
    Select(editor->AvailableList(), {2, 0, 1}); // selected out of order
    Click(kAdd);
    EXPECT_EQ(Column(editor->IncludedList(), 0),
              (std::vector<std::string>{"SD  2", "SD  7", "SD  1", "SD  4", "SD  9"}));
    EXPECT_EQ(editor->AvailableList()->topLevelItemCount(), 0);
    EXPECT_EQ(panelContext.records.groupRefCount[1], 1);
    EXPECT_EQ(panelContext.records.groupRefCount[4], 1);
    EXPECT_EQ(panelContext.records.groupRefCount[9], 1);

    editor->NameField()->setText("BIG TEAM");
    Click(kOk);
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    uint8_t expected[kMembersLength] = {};
    for (int k : {1, 2, 4, 7, 9}) {
        SetMemberBit(expected, kSpeedBitmapOffset, k, true);
    }
    EXPECT_EQ(0, std::memcmp(editor->memberField, expected, kMembersLength));
    EXPECT_EQ(editor->Name(), "BIG TEAM");
}

TEST_F(CGroupDialTest, CancelPutsEveryCountBack) {
    Open(30);
    Select(editor->AvailableList(), {0, 1, 2});
    Click(kAdd);
    Select(editor->IncludedList(), {0});
    Click(kRemove);
    ASSERT_EQ(panelContext.records.groupRefCount[2], 0);
    ASSERT_EQ(panelContext.records.groupRefCount[9], 1);
    Click(kCancel);
    EXPECT_EQ(editor->result(), QDialog::Rejected);
    for (int i : {1, 4, 9}) {
        EXPECT_EQ(panelContext.records.groupRefCount[i], 0) << "slot " << i;
    }
    EXPECT_EQ(panelContext.records.groupRefCount[2], 1);
    EXPECT_EQ(panelContext.records.groupRefCount[7], 1);

    // Removing the same member again in a later run cannot wrap its count.
    Open(30);
    Select(editor->IncludedList(), {0});
    Click(kRemove);
    Click(kCancel);
    EXPECT_EQ(panelContext.records.groupRefCount[2], 1);
}

TEST_F(CGroupDialTest, RemoveThenOkClearsTheMembersBit) {
    Open(30);
    Select(editor->IncludedList(), {0});
    Click(kRemove);
    EXPECT_EQ(Column(editor->IncludedList(), 0), (std::vector<std::string>{"SD  7"}));
    EXPECT_EQ(Column(editor->AvailableList(), 0),
              (std::vector<std::string>{"SD  1", "SD  4", "SD  9", "SD  2"}));
    EXPECT_EQ(panelContext.records.groupRefCount[2], 0);
    EXPECT_EQ(editor->Included()[2], kRemoved);
    Click(kOk);
    EXPECT_FALSE(MemberBit(editor->memberField, kSpeedBitmapOffset, 2));
    EXPECT_TRUE(MemberBit(editor->memberField, kSpeedBitmapOffset, 7));
    EXPECT_EQ(panelContext.records.groupRefCount[2], 0);
}

TEST_F(CGroupDialTest, OneTouchModeTiesTheSlotToOneSpeedDialGroup) {
    panelContext.records.inquiryRecord.capacityA = 10; // 90 speed-dial slots, one-touch 90..99
    panelContext.records.inquiryRecord.capacityB = 90;
    StoreGroup(panelContext.records, 40, "OTHER", panelContext.records.phonebookTable[30].members);
    RecountGroupRefs(panelContext.records);
    uint8_t members[kMembersLength] = {};
    members[0] = 30;
    editor = std::make_unique<CGroupDial>(panelContext.records, "DIALS", members, false);
    EXPECT_FALSE(editor->SpeedDialMode());
    EXPECT_EQ(Column(editor->IncludedList(), 0), (std::vector<std::string>{" 30"}));
    EXPECT_EQ(Column(editor->IncludedList(), 2), (std::vector<std::string>{"*GROUP DIAL*"}));
    EXPECT_EQ(Column(editor->AvailableList(), 0), (std::vector<std::string>{" 40"}));

    Select(editor->IncludedList(), {0});
    editor->OnRemove();
    // The removed group comes back after the others.
    ASSERT_EQ(Column(editor->AvailableList(), 0), (std::vector<std::string>{" 40", " 30"}));
    Select(editor->AvailableList(), {0});
    editor->OnAdd();
    EXPECT_FALSE(dlg::FindControl<QPushButton>(editor.get(), kAdd)->isEnabled());
    editor->OnOK();
    uint8_t expected[kMembersLength] = {};
    expected[0] = 40;
    EXPECT_EQ(0, std::memcmp(editor->memberField, expected, kMembersLength));
}

// Names of the full twenty characters and long numbers show whole in both
// lists: the columns fit them and the lists and the dialog grow to match.
TEST_F(CGroupDialTest, ColumnsShowEveryFullNameAndNumber) {
    SetTableNumber(7, "HEAD OFFICE PARIS NE", "0033155501234567890");
    const int templateWidth = dlg::DialogSize(groupDialTemplate).width();
    Open(30);
    EXPECT_GT(editor->width(), templateWidth);
    for (QTreeWidget* list : {editor->IncludedList(), editor->AvailableList()}) {
        ASSERT_GT(list->topLevelItemCount(), 0);
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            for (int c = 0; c < 3; ++c) {
                const QString text = list->topLevelItem(i)->text(c);
                EXPECT_LT(list->fontMetrics().horizontalAdvance(text), list->columnWidth(c))
                    << text.toStdString();
            }
        }
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
        EXPECT_LE(list->geometry().right(), editor->width());
    }
    // The included list is the left one, the available the right one, apart.
    EXPECT_LT(editor->IncludedList()->geometry().right(),
              editor->AvailableList()->geometry().left());
}

TEST_F(CGroupDialTest, ListCaptionsStayOnOneLineInEveryLanguage) {
    for (const char* language : {"en", "fr", "de", "es", "it", "nl", "pt", "pl"}) {
        SCOPED_TRACE(language);
        UseLanguageOf(language);
        Open(30);
        for (int id : {kIncludedLabel, kAvailableLabel}) {
            auto* label = dlg::FindControl<QLabel>(editor.get(), id);
            ASSERT_NE(label, nullptr);
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()),
                      label->contentsRect().width())
                << label->text().toStdString();
        }
        editor.reset();
    }
}

} // namespace group_dial_test
