#include "pages/qt_page_values.h"

#include <QCheckBox>
#include <QLineEdit>

void SetEditText(QLineEdit* edit, const QString& text) {
    if (edit != nullptr && edit->text() != text) {
        edit->setText(text);
    }
}

void SetCheckState(QCheckBox* box, int& state) {
    if (state < 0 || state > 2) {
        state = 0;
    }
    if (box == nullptr) {
        return;
    }
    if (state == 2) {
        box->setCheckState(Qt::PartiallyChecked);
        return;
    }
    box->setTristate(false);
    box->setCheckState(state == 1 ? Qt::Checked : Qt::Unchecked);
}

int CheckStateOf(QCheckBox* box, int previous) {
    if (box == nullptr) {
        return previous;
    }
    const Qt::CheckState state = box->checkState();
    if (state == Qt::PartiallyChecked) {
        return 2;
    }
    box->setTristate(false);
    return state == Qt::Checked ? 1 : 0;
}
