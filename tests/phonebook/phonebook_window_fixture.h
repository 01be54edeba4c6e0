#pragma once
// Fixture of the phonebook window tests: a virtual clock, captured traces,
// the records at their defaults, a 100-slot table, the simulated machine
// behind the USB port ("sim:"), a scripted desktop and the English language
// file put together from the language fragments.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "link/port.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "model/phonebook_ops.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/virtual_clock.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"
#include "sim/simulated_machine.h"
#include "support/qt_scripted_desktop.h"
#include "support/temp_dir.h"
#include "support/usb_port.h"
#include "widgets/CFilterEdit.h"

// The English language file: every fragment of src/resources/lang/en under
// the section its file name begins with. Fragments of one section share one
// header (COMMON.phonebook.ini joins COMMON.ini): a second header of the same
// section would never be searched.
inline std::string EnglishLanguageFile() {
    QDir dir(QString(FAXRCP_SOURCE_DIR) + "/src/resources/lang/en");
    std::map<std::string, std::string> sections;
    const QStringList files = dir.entryList({"*.ini"}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        std::string& body = sections[name.section('.', 0, 0).toStdString()];
        body += f.readAll().toStdString();
        body += "\n";
    }
    std::string out;
    for (const auto& [section, body] : sections)
        out += "[" + section + "]\n" + body;
    return out;
}

// Runs `answer` on the next modal dialog once it is up (the test then drives
// it); a dialog the answer leaves open is cancelled so that no test hangs.
inline void WhenModal(std::function<void(QWidget*)> answer, int attempts = 50) {
    QTimer::singleShot(0, [answer, attempts] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            if (attempts > 0)
                WhenModal(answer, attempts - 1);
            return;
        }
        answer(modal);
        if (modal->isVisible())
            QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    });
}

class PhonebookWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::InstallClock(&clock);
        platform::InstallDebugSink(&traces);
        SetMachineRecordDefaults();
        ASSERT_TRUE(AllocatePhonebookTable(100));
        sim::RegisterSimDevice();
        machine().reset();
        // The tests lay out every slot they use themselves.
        machine().clearPhonebook();
        PointUsbPortAt("sim:");
        isNt5 = 0;
        isWin9x = 0;
        languageFilePath = dir.write("english.lng", EnglishLanguageFile());
        speedDialView = 1;
        nonAsciiTyped = 0;
        ClearIncludeState();
    }
    void TearDown() override {
        sim::UnregisterSimDevice();
        machine().reset();
        FreePhonebookTable();
        panelContext.link.Reset();
        languageFilePath.clear();
        platform::InstallDebugSink(nullptr);
        platform::InstallClock(nullptr);
    }

    static sim::SimulatedMachine& machine() { return sim::InProcessMachine(); }

    static sim::Members SpeedMembers(std::initializer_list<int> indexes) {
        sim::Members m{};
        for (int k : indexes)
            m[k / 8] |= static_cast<uint8_t>(0x80 >> (k % 8));
        return m;
    }
    static void SetTableNumber(int i, const char* name, const char* number) {
        StoreSingleNumber(i, name, number);
    }
    static std::string ItemText(QTreeWidget* list, int item, int column) {
        QTreeWidgetItem* row = list->topLevelItem(item);
        return row == nullptr ? std::string("<none>") : row->text(column).toStdString();
    }

    platform::VirtualClock clock{10000};
    platform::CapturingDebugSink traces;
    ScriptedDesktop desk;
    TempDir dir;
};
