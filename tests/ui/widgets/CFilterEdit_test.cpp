// The filtered edit: typed characters outside the mode's set beep and are
// dropped; characters of 0x80 and above pass and set the edit's flag.
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
    void SetUp() override { edit.show(); }

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

// What each mode keeps of typed text, with a beep for every character refused.
struct TypedCase {
    int mode;
    const char* typed;
    const char* kept;
    int beeps;
};
constexpr TypedCase kTyped[] = {
    {0, "a!~ ", "a!~ ", 0},
    {1, "12a +b3", "12 +3", 2},
    {2, "Ab c#&'*+,-./@!_", "Ab c#&'*+,-./", 3}, // lower case stays as typed
    {6, "1P2p# +-*x", "1P2p#*", 4},              // pause letters, no blank, plus or hyphen
    {8, "1a \b", "", 4},                         // an unknown mode: not even Backspace
};

TEST_F(FilterEditTest, TypedCharactersOutsideTheModeBeepAndStayOut) {
    for (const TypedCase& c : kTyped) {
        SCOPED_TRACE(c.typed);
        edit.clear();
        desk.beeps = 0;
        edit.filterMode = c.mode;
        QTest::keyClicks(&edit, c.typed);
        EXPECT_EQ(edit.text(), c.kept);
        EXPECT_EQ(desk.beeps, c.beeps);
    }
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
    Type(QString::fromUtf8("é"));
    edit.backspace();
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "012+3 45"); // cut at the edit's length
    EXPECT_EQ(desk.beeps, 1);
    EXPECT_FALSE(edit.NonAsciiTyped());

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

TEST_F(FilterEditTest, AccentedLetterPassesAndSetsTheFlagUntilTheNextAsciiCharacter) {
    edit.filterMode = 1;
    Type(QString::fromUtf8("é"));
    EXPECT_EQ(edit.text(), QString::fromUtf8("é"));
    EXPECT_TRUE(edit.NonAsciiTyped());
    EXPECT_EQ(desk.beeps, 0);

    Type("x", Qt::Key_X); // refused, and still clears the flag
    EXPECT_FALSE(edit.NonAsciiTyped());
    EXPECT_EQ(desk.beeps, 1);

    Type(QString::fromUtf8("ü"));
    EXPECT_TRUE(edit.NonAsciiTyped());
    Type("5", Qt::Key_5); // accepted, clears it too
    EXPECT_FALSE(edit.NonAsciiTyped());
    EXPECT_EQ(edit.text(), QString::fromUtf8("éü5"));
}

TEST_F(FilterEditTest, TheFlagBelongsToTheEditItWasTypedInto) {
    CFilterEdit other;
    other.filterMode = 2;
    edit.filterMode = 2;
    Type(QString::fromUtf8("ß"));
    QTest::keyClick(&other, Qt::Key_A);
    EXPECT_TRUE(edit.NonAsciiTyped());
    EXPECT_FALSE(other.NonAsciiTyped());
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
