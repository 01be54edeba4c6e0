#pragma once
// Fixture of the Settings and Advanced page tests: the window fixture, with
// pages shown in an active window so that focus moves as it does for a
// person, and an English locale for the pickers' texts.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QTest>
#include <cstdio>
#include <string>
#include <vector>

#include "base/qt_property_page.h"
#include "link/port.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "protocol/machine_record.h"
#include "sim/simulated_machine.h"
#include "support/ui/qt_window_fixture.h"
#include "widgets/CFilterEdit.h"

class PageTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        // The pickers write AM/PM and digits in the user's language.
        savedLocale = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override {
        QLocale::setDefault(savedLocale);
        WindowTest::TearDown();
    }

    // Shows and initialises the page as the sheet does, in an active window.
    static void ShowActive(CPropertyPage& page) {
        page.show();
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
        page.EnsureInitialised();
    }

    // The frames of the requests of one command, oldest first.
    static std::vector<std::vector<uint8_t>> Requests(sim::Command command) {
        std::vector<std::vector<uint8_t>> out;
        const auto frames = machine().requestLog();
        const auto commands = machine().commandLog();
        for (size_t i = 0; i < frames.size() && i < commands.size(); ++i) {
            if (commands[i] == command) {
                out.push_back(frames[i]);
            }
        }
        return out;
    }

    // Clicks the button and returns the data block (from byte 9) of the one
    // set request it sent.
    static std::vector<uint8_t> ClickAndSent(QAbstractButton* apply, sim::Command set) {
        machine().clearLog();
        QTest::mouseClick(apply, Qt::LeftButton);
        const auto sets = Requests(set);
        EXPECT_EQ(sets.size(), 1u);
        return sets.empty() ? std::vector<uint8_t>{}
                            : std::vector<uint8_t>(sets.back().begin() + 9, sets.back().end());
    }

    // A click on the upper (up = true) or lower arrow of a scroll bar.
    static void ClickArrow(QScrollBar* bar, bool up) {
        ASSERT_NE(bar, nullptr);
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.subControls = QStyle::SC_All;
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        const QRect arrow = bar->style()->subControlRect(
            QStyle::CC_ScrollBar, &option,
            up ? QStyle::SC_ScrollBarSubLine : QStyle::SC_ScrollBarAddLine, bar);
        ASSERT_TRUE(arrow.isValid());
        QTest::mouseClick(bar, Qt::LeftButton, {}, arrow.center());
    }

    // A click on a check box or radio button where a person clicks: on its
    // box or circle. Only the box and its text take a click, and how far the
    // text reaches depends on the font, so the middle of a wide control may
    // be empty space.
    static void ClickButton(QAbstractButton* button) {
        ASSERT_NE(button, nullptr);
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
        const QRect box = button->style()->subElementRect(radio ? QStyle::SE_RadioButtonIndicator
                                                                : QStyle::SE_CheckBoxIndicator,
                                                          &option, button);
        ASSERT_TRUE(box.isValid());
        QTest::mouseClick(button, Qt::LeftButton, {}, box.center());
    }

    // Types into a field after a click into it, as a person does.
    static void TypeInto(QLineEdit* edit, const QString& text, bool replace = true) {
        ASSERT_NE(edit, nullptr);
        QTest::mouseClick(edit, Qt::LeftButton);
        if (replace) {
            edit->selectAll();
        }
        QTest::keyClicks(edit, text);
    }

    // Chooses an item of a drop-down list with the keyboard.
    static void Choose(QComboBox* combo, int index) {
        ASSERT_NE(combo, nullptr);
        combo->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < index; ++i) {
            QTest::keyClick(combo, Qt::Key_Down);
        }
        ASSERT_EQ(combo->currentIndex(), index);
    }

    // Every language names every text of the page: labels, buttons and boxes
    // whose template has a text, and each item of every list. Unit texts
    // without a key ("mm", "%") are left out.
    static void ExpectEveryTextSet(const CPropertyPage& page) {
        for (const auto& row : page.Template().controls) {
            if (row.id != dlg::kIdStatic && !row.text.empty()) {
                EXPECT_FALSE(dlg::ControlText(&page, row.id).isEmpty()) << row.id;
            }
            if (auto* list = row.id == dlg::kIdStatic ? nullptr : page.Control<QComboBox>(row.id)) {
                EXPECT_GT(list->count(), 0) << row.id;
                for (int i = 0; i < list->count(); ++i) {
                    EXPECT_FALSE(list->itemText(i).isEmpty()) << row.id << " item " << i;
                }
            }
        }
    }

    QLocale savedLocale;
};
