#include "phonebook/CEditPhonebook.h"

#include <QLabel>
#include <QTest>

#include "phonebook_window_fixture.h"
#include "templates/edit_phonebook_template.h"
#include "widgets/CIconButton.h"
#include "widgets/qt_dialog_builder.h"

namespace edit_phonebook_test {

using namespace edit_phonebook_ids;

class CEditPhonebookTest : public PhonebookWindowTest {
  protected:
    void Open(int slot) {
        editor = std::make_unique<CEditPhonebook>(panelContext.records, slot);
        editor->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    }
    std::string NameText() const { return editor->NameField()->text().toStdString(); }
    std::string NumberText() const { return editor->NumberField()->text().toStdString(); }
    void ClickOk() {
        QTest::mouseClick(dlg::FindControl<CIconButton>(editor.get(), kOk), Qt::LeftButton);
    }

    std::unique_ptr<CEditPhonebook> editor;
};

TEST_F(CEditPhonebookTest, OpensWithTheSlotsTextsAndTheLanguageTexts) {
    SetTableNumber(4, "Mixed Case", "0123#");
    Open(4);
    EXPECT_EQ(NameText(), "Mixed Case"); // changed only when the user types
    EXPECT_EQ(NumberText(), "0123#");
    EXPECT_EQ(editor->windowTitle().toStdString(), "Phonebook Entry");
    EXPECT_EQ(dlg::ControlText(editor.get(), kNumberLabel).toStdString(), "Phone Number:");
    EXPECT_EQ(dlg::ControlText(editor.get(), kCancel).toStdString(), "Cancel");
    EXPECT_EQ(dlg::FindControl<CIconButton>(editor.get(), kOk)->IconId(), 130);
    EXPECT_EQ(dlg::FindControl<CIconButton>(editor.get(), kCancel)->IconId(), 131);
    EXPECT_EQ(editor->NameField()->filterMode, 2);
    EXPECT_EQ(editor->NumberField()->filterMode, 6);
}

TEST_F(CEditPhonebookTest, TypedLettersBecomeCapitalsWithTheCaretInPlace) {
    Open(0);
    QTest::keyClicks(editor->NameField(), "anna b");
    EXPECT_EQ(NameText(), "ANNA B");
    EXPECT_EQ(editor->NameField()->cursorPosition(), 6);
    editor->NameField()->setCursorPosition(2);
    QTest::keyClicks(editor->NameField(), "x");
    EXPECT_EQ(NameText(), "ANXNA B");
    EXPECT_EQ(editor->NameField()->cursorPosition(), 3);

    QTest::keyClicks(editor->NumberField(), "12p3");
    EXPECT_EQ(NumberText(), "12P3");
    EXPECT_EQ(desk.beeps, 0);
}

TEST_F(CEditPhonebookTest, TheNumberRefusesOtherLettersBlanksPlusAndHyphen) {
    Open(0);
    QTest::keyClicks(editor->NumberField(), "1a +-x2");
    EXPECT_EQ(NumberText(), "12");
    EXPECT_EQ(desk.beeps, 5);
    QTest::keyClicks(editor->NumberField(), "*#P");
    EXPECT_EQ(NumberText(), "12*#P");
    EXPECT_EQ(desk.beeps, 5);
}

TEST_F(CEditPhonebookTest, FieldsStopAtTwentyAndFortySixCharacters) {
    Open(0);
    QTest::keyClicks(editor->NameField(), QString(25, 'k'));
    EXPECT_EQ(NameText(), std::string(20, 'K'));
    QTest::keyClicks(editor->NumberField(), QString(50, '7'));
    EXPECT_EQ(NumberText(), std::string(46, '7'));
}

TEST_F(CEditPhonebookTest, AnAccentedLetterPutsTheNameBackAndBeeps) {
    Open(0);
    QTest::keyClicks(editor->NameField(), "ab");
    // A key of a national layout: its text is the accented letter.
    QTest::sendKeyEvent(QTest::Click, editor->NameField(), Qt::Key_Eacute, QString::fromUtf8("é"),
                        Qt::NoModifier);
    EXPECT_EQ(NameText(), "AB");
    EXPECT_EQ(desk.beeps, 1);
    EXPECT_TRUE(editor->NameField()->NonAsciiTyped());
    QTest::keyClicks(editor->NameField(), "c");
    EXPECT_EQ(NameText(), "ABC");
    EXPECT_FALSE(editor->NameField()->NonAsciiTyped());
}

TEST_F(CEditPhonebookTest, PastedTextIsNotFilteredButBecomesCapitals) {
    Open(0);
    editor->NameField()->insert("smith-jones");
    EXPECT_EQ(NameText(), "SMITH-JONES");
    EXPECT_EQ(desk.beeps, 0);
}

TEST_F(CEditPhonebookTest, OkWantsThreeCharactersWithADigit) {
    Open(0);
    QTest::keyClicks(editor->NumberField(), "12");
    ClickOk();
    EXPECT_EQ(desk.beeps, 1);
    EXPECT_TRUE(editor->isVisible());

    editor->NumberField()->setText("*#P");
    ClickOk();
    EXPECT_EQ(desk.beeps, 2);
    EXPECT_TRUE(editor->isVisible());

    editor->NumberField()->setText("*1#");
    QTest::keyClicks(editor->NameField(), "home");
    ClickOk();
    EXPECT_EQ(desk.beeps, 2);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    EXPECT_EQ(editor->Name(), "HOME");
    EXPECT_EQ(editor->Number(), "*1#");
    // The editor itself never stores anything.
    EXPECT_EQ(panelContext.records.phonebookTable[0].name[0], 0);
}

} // namespace edit_phonebook_test
