#include "pages/qt_page_values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

void ExchangeText(QLineEdit* edit, QString& text, Exchange direction) {
    if (edit == nullptr) {
        return;
    }
    if (direction == Exchange::FromControls) {
        text = edit->text();
    } else if (edit->text() != text) {
        edit->setText(text);
    }
}

void ExchangeListPosition(QComboBox* combo, int& position, Exchange direction) {
    if (combo == nullptr) {
        return;
    }
    if (direction == Exchange::FromControls) {
        position = combo->currentIndex();
    } else {
        combo->setCurrentIndex(position < combo->count() ? position : -1);
    }
}

void ExchangeCheckState(QCheckBox* box, int& state, Exchange direction) {
    if (direction == Exchange::ToControls && (state < 0 || state > 2)) {
        state = 0;
    }
    if (box == nullptr) {
        return;
    }
    if (direction == Exchange::FromControls) {
        const Qt::CheckState checked = box->checkState();
        if (checked != Qt::PartiallyChecked) {
            box->setTristate(false);
        }
        state = checked == Qt::PartiallyChecked ? 2 : checked == Qt::Checked ? 1 : 0;
    } else if (state == 2) {
        box->setCheckState(Qt::PartiallyChecked);
    } else {
        box->setTristate(false);
        box->setCheckState(state == 1 ? Qt::Checked : Qt::Unchecked);
    }
}
