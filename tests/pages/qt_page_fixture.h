#pragma once
// Fixture of the Settings and Advanced page tests: a virtual clock, captured
// traces, the records at their defaults, the simulated machine behind the USB
// port ("sim:"), a scripted desktop and the English language file put
// together from the language fragments. Pages are shown in an active window
// so that focus moves as it does for a person.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/lang_text.h"
#include "link/port.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/virtual_clock.h"
#include "protocol/machine_record.h"
#include "sim/simulated_machine.h"
#include "support/qt_scripted_desktop.h"
#include "support/temp_dir.h"
#include "widgets/CFilterEdit.h"

// The English language file: every fragment of src/resources/lang/en under
// the section its file name begins with, each section once (COMMON.ini and
// COMMON.phonebook.ini both fill COMMON). Keys listed in `drop` are left out.
inline std::string PageLanguageFile(const std::vector<std::string>& drop = {}) {
    QDir dir(QString(FAXRCP_SOURCE_DIR) + "/src/resources/lang/en");
    std::map<std::string, std::string> sections;
    const QStringList files = dir.entryList({"*.ini"}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) {
            continue;
        }
        std::string& body = sections[name.section('.', 0, 0).toStdString()];
        for (const QByteArray& line : f.readAll().split('\n')) {
            const std::string text = line.toStdString();
            bool dropped = false;
            for (const auto& key : drop) {
                dropped |= text.rfind(key + "=", 0) == 0;
            }
            if (!dropped) {
                body += text + "\n";
            }
        }
    }
    std::string out;
    for (const auto& [section, body] : sections) {
        out += "[" + section + "]\n" + body;
    }
    return out;
}

class PageTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::InstallClock(&clock);
        platform::InstallDebugSink(&traces);
        SetMachineRecordDefaults();
        sim::RegisterSimDevice();
        machine().reset();
        ResetLinkState();
        currentPort = 0;
        std::snprintf(usbWritePath, sizeof usbWritePath, "%s", "sim:");
        std::snprintf(usbReadPath, sizeof usbReadPath, "%s", "sim:");
        languageFilePath = dir.write("english.lng", PageLanguageFile());
        nonAsciiTyped = 0;
    }
    void TearDown() override {
        sim::UnregisterSimDevice();
        machine().reset();
        ResetLinkState();
        languageFilePath.clear();
        platform::InstallDebugSink(nullptr);
        platform::InstallClock(nullptr);
    }

    static sim::SimulatedMachine& machine() { return sim::InProcessMachine(); }

    // Shows the page as the sheet does, in an active window.
    static void ShowActive(QWidget& page) {
        page.show();
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
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

    platform::VirtualClock clock{10000};
    platform::CapturingDebugSink traces;
    ScriptedDesktop desk;
    TempDir dir;
};
