// The template builder: dialog units through the dialog font, one widget per
// row with its kind, text and styles, radio groups, and lookup by id.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

#include "templates/dialog_template.h"
#include "widgets/CFilterEdit.h"
#include "widgets/CIconButton.h"
#include "widgets/qt_dialog_builder.h"

namespace {

using namespace dlg;

const DialogTemplate kSample = {
    200,
    100,
    "Sample",
    {
        {kIdStatic, Kind::GroupBox, 2, 2, 196, 60, "Box"},
        {10, Kind::StaticText, 4, 8, 40, 8, "Label:", kAlignRight},
        {11, Kind::StaticText, 50, 8, 40, 10, "value", kSunken | kAlignCenter},
        {12, Kind::Edit, 4, 20, 40, 12, "", kNumber},
        {13, Kind::FilterEdit, 50, 20, 40, 12, "", kUppercase},
        {14, Kind::DropDownList, 100, 20, 50, 60, "", 0, {"One", "Two", "Three"}},
        {20, Kind::RadioButton, 4, 40, 30, 10, "A", kGroup},
        {21, Kind::RadioButton, 40, 40, 30, 10, "B"},
        {22, Kind::CheckBox, 80, 40, 30, 10, "C"},
        {23, Kind::RadioButton, 120, 40, 30, 10, "D", kGroup},
        {24, Kind::RadioButton, 160, 40, 30, 10, "E"},
        {30, Kind::ListView, 4, 64, 80, 30, "", kSingleSel | kNoSortHeader | kBorder},
        {31, Kind::ScrollArrows, 90, 64, 10, 13, ""},
        {32, Kind::DatePicker, 104, 64, 40, 12, ""},
        {33, Kind::TimePicker, 150, 64, 40, 12, ""},
        {34, Kind::ProgressBar, 104, 80, 60, 8, ""},
        {35, Kind::IconButton, 166, 78, 30, 16, "OK", kDefault},
        {36, Kind::PushButton, 4, 96, 30, 4, "Hidden", kHidden | kDisabled},
    }};

class BuilderTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildDialog(&page, kSample); }
    QWidget page;
};

TEST(DialogUnitsTest, UnitsFollowTheFontsAverageCharacterWidthAndHeight) {
    QFont font = QApplication::font();
    font.setPixelSize(13);
    const QFontMetrics fm(font);
    const DialogUnits units = DialogUnitsOf(font);
    const int letters =
        fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(units.baseX, (letters / 26 + 1) / 2);
    EXPECT_EQ(units.baseY, fm.height());

    const DialogUnits fixed{6, 13};
    EXPECT_EQ(fixed.toPixelsX(4), 6);
    EXPECT_EQ(fixed.toPixelsX(347), 521); // 520.5 rounds up
    EXPECT_EQ(fixed.toPixelsY(8), 13);
    EXPECT_EQ(fixed.toPixelsY(217), 353); // 352.6
    EXPECT_EQ(fixed.toPixels(11, 9, 321, 162), QRect(17, 15, 482, 263));

    QFont big = font;
    big.setPixelSize(26);
    const DialogUnits bigUnits = DialogUnitsOf(big);
    EXPECT_GT(bigUnits.baseX, units.baseX);
    EXPECT_GT(bigUnits.baseY, units.baseY);
}

TEST_F(BuilderTest, EachRowBecomesItsWidgetAtItsPlace) {
    const DialogUnits u = DialogUnitsOf();
    EXPECT_EQ(page.size(), u.toPixels(200, 100));
    auto* label = FindControl<QLabel>(&page, 10);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry(), u.toPixels(4, 8, 40, 8));
    EXPECT_EQ(label->text(), "Label:");
    EXPECT_TRUE(label->alignment() & Qt::AlignRight);
    auto* value = FindControl<QLabel>(&page, 11);
    ASSERT_NE(value, nullptr);
    EXPECT_TRUE(value->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(value->frameShadow(), QFrame::Sunken);

    EXPECT_NE(FindControl<QLineEdit>(&page, 12), nullptr);
    EXPECT_NE(FindControl<CFilterEdit>(&page, 13), nullptr);
    EXPECT_NE(FindControl<QCheckBox>(&page, 22), nullptr);
    EXPECT_NE(FindControl<QTreeWidget>(&page, 30), nullptr);
    EXPECT_NE(FindControl<QScrollBar>(&page, 31), nullptr);
    EXPECT_NE(FindControl<QDateEdit>(&page, 32), nullptr);
    EXPECT_NE(FindControl<QTimeEdit>(&page, 33), nullptr);
    EXPECT_NE(FindControl<QProgressBar>(&page, 34), nullptr);
    auto* icon = FindControl<CIconButton>(&page, 35);
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->isDefault());
    EXPECT_EQ(FindControl<QLabel>(&page, 12), nullptr); // wrong type
    EXPECT_EQ(FindControlWidget(&page, 99), nullptr);
    EXPECT_EQ(ControlId(label), 10);
}

TEST_F(BuilderTest, HiddenAndDisabledRowsStaySo) {
    page.show();
    auto* hidden = FindControl<QPushButton>(&page, 36);
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(hidden->isVisible());
    EXPECT_FALSE(hidden->isEnabled());
    EXPECT_TRUE(FindControl<QLabel>(&page, 10)->isVisible());
}

TEST_F(BuilderTest, DropDownListHasItsItemsNoSelectionAndAClosedHeight) {
    auto* combo = FindControl<QComboBox>(&page, 14);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(2), "Three");
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->height(), combo->sizeHint().height());
    EXPECT_FALSE(combo->isEditable());
}

TEST_F(BuilderTest, RadioButtonsFormOneExclusiveGroupPerRun) {
    auto* a = FindControl<QRadioButton>(&page, 20);
    auto* b = FindControl<QRadioButton>(&page, 21);
    auto* d = FindControl<QRadioButton>(&page, 23);
    auto* e = FindControl<QRadioButton>(&page, 24);
    ASSERT_TRUE(a && b && d && e);
    EXPECT_EQ(RadioGroupOf(a), RadioGroupOf(b));
    EXPECT_NE(RadioGroupOf(a), RadioGroupOf(d));
    EXPECT_EQ(RadioGroupOf(d), RadioGroupOf(e));
    EXPECT_EQ(RadioGroupOf(a)->id(b), 21);

    page.show();
    QTest::mouseClick(a, Qt::LeftButton);
    QTest::mouseClick(d, Qt::LeftButton);
    EXPECT_TRUE(a->isChecked());
    EXPECT_TRUE(d->isChecked());
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_FALSE(a->isChecked());
    EXPECT_TRUE(b->isChecked());
    EXPECT_TRUE(d->isChecked());
}

TEST_F(BuilderTest, EditStylesDigitsOnlyAndCapitals) {
    page.show();
    auto* digits = FindControl<QLineEdit>(&page, 12);
    QTest::keyClicks(digits, "1a2");
    EXPECT_EQ(digits->text(), "12");
    auto* upper = FindControl<QLineEdit>(&page, 13);
    QTest::keyClicks(upper, "ab1");
    EXPECT_EQ(upper->text(), "AB1");
}

TEST_F(BuilderTest, ListViewIsAReportViewWithTheRowsSelectionRules) {
    auto* list = FindControl<QTreeWidget>(&page, 30);
    EXPECT_FALSE(list->rootIsDecorated());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(list->header()->sectionsClickable());
}

TEST_F(BuilderTest, ControlTextsAreSetOnEveryKindThatHasOne) {
    EXPECT_TRUE(SetControlText(&page, 10, "New label"));
    EXPECT_TRUE(SetControlText(&page, kIdStatic, "New box"));
    EXPECT_TRUE(SetControlText(&page, 22, ""));
    EXPECT_TRUE(SetControlText(&page, 12, "77"));
    EXPECT_FALSE(SetControlText(&page, 99, "x"));
    EXPECT_EQ(ControlText(&page, 10), "New label");
    EXPECT_EQ(page.findChild<QGroupBox*>()->title(), "New box");
    EXPECT_EQ(ControlText(&page, 22), "");
    EXPECT_EQ(ControlText(&page, 12), "77");
}

TEST(TemplateRowsTest, FindTemplateRowFindsTheFirstRowOfAnId) {
    EXPECT_EQ(FindTemplateRow(kSample, 21)->text, "B");
    EXPECT_EQ(FindTemplateRow(kSample, kIdStatic)->kind, Kind::GroupBox);
    EXPECT_EQ(FindTemplateRow(kSample, 5), nullptr);
}

} // namespace
