// The filtered edit: typed characters outside the mode's set beep and are
// dropped; characters of 0x80 and above pass and set nonAsciiTyped.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <string>

#include "support/ui/qt_scripted_desktop.h"
#include "widgets/CFilterEdit.h"

namespace {

class FilterEditTest : public ::testing::Test {
  protected:
    void SetUp() override {
        nonAsciiTyped = 0;
        edit.show();
    }

    // Types one character as the keyboard would deliver it.
    void Type(const QString& ch, Qt::Key key = Qt::Key_unknown,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::sendKeyEvent(QTest::Press, &edit, key, ch, modifiers);
        QTest::sendKeyEvent(QTest::Release, &edit, key, ch, modifiers);
    }

    ScriptedDesktop desk;
    CFilterEdit edit;
};

// The sets of the modes, written out from the table of the control.
std::string Set(int mode) {
    const std::string digits = "0123456789";
    const std::string upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::string lower = "abcdefghijklmnopqrstuvwxyz";
    switch (mode) {
    case 1:
    case 5:
        return digits + " +\b";
    case 2:
        return upper + lower + digits + " #&'*+,-./\b";
    case 3:
        return upper + " +\b";
    case 4:
        return digits + "\b";
    case 6:
        return digits + "#*Pp\b";
    case 7:
        return digits + " +-\b";
    default:
        return "";
    }
}

TEST(FilterEditSets, EveryModeAcceptsExactlyItsCharactersBelow0x80) {
    for (int mode = 1; mode <= 9; ++mode) {
        const std::string set = Set(mode);
        for (unsigned c = 0; c < 0x80; ++c) {
            const bool expected = set.find(static_cast<char>(c)) != std::string::npos;
            EXPECT_EQ(CFilterEdit::Accepts(mode, c), expected) << "mode " << mode << " char " << c;
        }
    }
    for (unsigned c = 0; c < 0x80; ++c) {
        EXPECT_TRUE(CFilterEdit::Accepts(0, c)) << c;
    }
}

TEST_F(FilterEditTest, ModeOneRefusesLettersWithABeepAndTakesDigitsBlankAndPlus) {
    edit.filterMode = 1;
    QTest::keyClicks(&edit, "12a +b3");
    EXPECT_EQ(edit.text(), "12 +3");
    EXPECT_EQ(desk.beeps, 2);
}

TEST_F(FilterEditTest, ModeTwoInsertsLowerCaseAsTypedAndRefusesOtherSigns) {
    edit.filterMode = 2;
    QTest::keyClicks(&edit, "Ab c#&'*+,-./@!_");
    EXPECT_EQ(edit.text(), "Ab c#&'*+,-./");
    EXPECT_EQ(desk.beeps, 3);
}

TEST_F(FilterEditTest, ModeSixTakesPauseLettersAndRefusesBlankPlusAndHyphen) {
    edit.filterMode = 6;
    QTest::keyClicks(&edit, "1P2p# +-*x");
    EXPECT_EQ(edit.text(), "1P2p#*");
    EXPECT_EQ(desk.beeps, 4);
}

TEST_F(FilterEditTest, EditingKeysWorkAndOtherControlCharactersBeep) {
    edit.filterMode = 1;
    QTest::keyClicks(&edit, "123");
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit.selectedText(), "123");
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "123");
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_B, Qt::ControlModifier); // 0x02
    EXPECT_EQ(edit.text(), "123");
    EXPECT_EQ(desk.beeps, 1);

    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "12");
    EXPECT_EQ(desk.beeps, 1);
}

// A paste goes through the filter as typing does: what the mode refuses and
// every character of 0x80 or above stays out, with one beep for the paste.
TEST_F(FilterEditTest, PasteKeepsWhatTheModeAcceptsAndBeepsOnce) {
    edit.filterMode = 1;
    edit.setMaxLength(8);
    QTest::keyClicks(&edit, "0");
    QApplication::clipboard()->setText("12ab+3\u00e9 456\n");
    nonAsciiTyped = 1;
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "012+3 45"); // cut at the edit's length
    EXPECT_EQ(desk.beeps, 1);
    EXPECT_EQ(nonAsciiTyped, 0);

    // Shift+Insert pastes too; a clean paste does not beep.
    edit.filterMode = 2;
    edit.clear();
    QApplication::clipboard()->setText("ab-1");
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), "ab-1");
    EXPECT_EQ(desk.beeps, 1);

    // The paste item of the context menu is the same filter.
    edit.clear();
    edit.filterMode = 4;
    QApplication::clipboard()->setText("x9");
    edit.PasteFiltered();
    EXPECT_EQ(edit.text(), "9");
    EXPECT_EQ(desk.beeps, 2);
    EXPECT_FALSE(edit.acceptDrops());
}

TEST_F(FilterEditTest, DialogKeysAndCursorKeysNeverBeep) {
    edit.filterMode = 4;
    QTest::keyClicks(&edit, "42");
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Left,
                        Qt::Key_Home, Qt::Key_Delete}) {
        QTest::keyClick(&edit, key);
    }
    EXPECT_EQ(desk.beeps, 0);
    EXPECT_EQ(edit.text(), "2"); // Home, then Delete took the 4
}

TEST_F(FilterEditTest, ModeZeroTakesEverythingAndUnknownModesTakeNothing) {
    edit.filterMode = 0;
    QTest::keyClicks(&edit, "a!~ ");
    EXPECT_EQ(edit.text(), "a!~ ");
    EXPECT_EQ(desk.beeps, 0);

    edit.clear();
    edit.filterMode = 8;
    QTest::keyClicks(&edit, "1a ");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "");
    EXPECT_EQ(desk.beeps, 4);
}

TEST_F(FilterEditTest, AccentedLetterPassesAndSetsTheFlagUntilTheNextAsciiCharacter) {
    edit.filterMode = 1;
    Type(QString::fromUtf8("é"));
    EXPECT_EQ(edit.text(), QString::fromUtf8("é"));
    EXPECT_EQ(nonAsciiTyped, 1);
    EXPECT_EQ(desk.beeps, 0);

    Type("x", Qt::Key_X); // refused, and still clears the flag
    EXPECT_EQ(nonAsciiTyped, 0);
    EXPECT_EQ(desk.beeps, 1);

    Type(QString::fromUtf8("ü"));
    EXPECT_EQ(nonAsciiTyped, 1);
    Type("5", Qt::Key_5); // accepted, clears it too
    EXPECT_EQ(nonAsciiTyped, 0);
    EXPECT_EQ(edit.text(), QString::fromUtf8("éü5"));
}

TEST_F(FilterEditTest, TheFlagIsSharedByEveryFilterEdit) {
    CFilterEdit other;
    other.filterMode = 2;
    edit.filterMode = 2;
    Type(QString::fromUtf8("ß"));
    EXPECT_EQ(nonAsciiTyped, 1);
    QTest::keyClick(&other, Qt::Key_A);
    EXPECT_EQ(nonAsciiTyped, 0);
}

TEST_F(FilterEditTest, TextSetByTheProgramOrAnInputMethodCommitIsFilteredOnlyWhenTyped) {
    edit.filterMode = 4;
    edit.setText("abc");
    EXPECT_EQ(edit.text(), "abc");
    EXPECT_EQ(desk.beeps, 0);

    edit.clear();
    QInputMethodEvent commit;
    commit.setCommitString("1x2");
    QApplication::sendEvent(&edit, &commit);
    EXPECT_EQ(edit.text(), "12");
    EXPECT_EQ(desk.beeps, 1);
}

} // namespace
