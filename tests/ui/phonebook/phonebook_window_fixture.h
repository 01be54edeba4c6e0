#pragma once
// Fixture of the phonebook window tests: the window fixture with a 100-slot
// table and an empty phonebook in the simulated machine.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "link/port.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "model/phonebook_ops.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"
#include "sim/simulated_machine.h"
#include "support/ui/qt_window_fixture.h"
#include "widgets/CFilterEdit.h"

// Runs `answer` on the next modal dialog once it is up (the test then drives
// it); a dialog the answer leaves open is cancelled so that no test hangs.
inline void WhenModal(std::function<void(QWidget*)> answer, int attempts = 50) {
    QTimer::singleShot(0, [answer, attempts] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            if (attempts > 0) {
                WhenModal(answer, attempts - 1);
            }
            return;
        }
        answer(modal);
        if (modal->isVisible()) {
            QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
        }
    });
}

class PhonebookWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100));
        // The tests lay out every slot they use themselves.
        machine().clearPhonebook();
    }

    static sim::Members SpeedMembers(std::initializer_list<int> indexes) {
        sim::Members m{};
        for (int k : indexes) {
            m[k / 8] |= static_cast<uint8_t>(0x80 >> (k % 8));
        }
        return m;
    }
    void SetTableNumber(int i, const char* name, const char* number) {
        StoreSingleNumber(panelContext.records, i, name, number);
    }
    static std::string ItemText(QTreeWidget* list, int item, int column) {
        QTreeWidgetItem* row = list->topLevelItem(item);
        return row == nullptr ? std::string("<none>") : row->text(column).toStdString();
    }
};
