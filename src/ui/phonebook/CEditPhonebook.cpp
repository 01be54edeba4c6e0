#include "phonebook/CEditPhonebook.h"

#include <QGroupBox>

#include "desktop/qt_desktop.h"
#include "desktop/qt_resources.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "model/phonebook_ops.h"
#include "templates/edit_phonebook_template.h"
#include "widgets/CFilterEdit.h"
#include "widgets/CIconButton.h"
#include "widgets/qt_dialog_builder.h"

using namespace edit_phonebook_ids;

namespace {

QString Lang(const char* key) {
    return QString::fromUtf8(GetLangString("EDIT_PHONEBOOK", key));
}

QString MachineText(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Capitals character by character, staying within the machine's 8-bit set.
QString UpperCase(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const QChar upper = c.toUpper();
        if (upper.unicode() <= 0xFF) {
            c = upper;
        }
    }
    return out;
}

} // namespace

CEditPhonebook::CEditPhonebook(const MachineRecords& records, int index, QWidget* parent)
    : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dlg::BuildDialog(this, editPhonebookTemplate);
    nameField_ = dlg::FindControl<CFilterEdit>(this, kName);
    numberField_ = dlg::FindControl<CFilterEdit>(this, kNumber);

    if (records.phonebookTable != nullptr && index >= 0 && index < PhonebookSlots(records)) {
        name_ = MachineText(SlotName(records.phonebookTable[index]));
        number_ = MachineText(SlotNumber(records.phonebookTable[index]));
    }
    PutTexts();

    setWindowTitle(Lang("CAPTION"));
    // The frame round the fields has no title: it is the entry.
    for (QGroupBox* box : findChildren<QGroupBox*>()) {
        if (box->title().isEmpty()) {
            box->setAccessibleName(windowTitle());
        }
    }
    dlg::SetControlText(this, kNameLabel, Lang("IDL_NAME"));
    dlg::SetControlText(this, kNumberLabel, Lang("IDL_PHONE_NUMBER"));
    dlg::SetControlText(this, kOk, Lang("IDOK"));
    dlg::SetControlText(this, kCancel, Lang("IDCANCEL"));

    nameField_->setMaxLength(kNameLength);
    nameField_->filterMode = 2;
    numberField_->setMaxLength(kNumberLength);
    numberField_->filterMode = 6;

    auto* ok = dlg::FindControl<CIconButton>(this, kOk);
    auto* cancel = dlg::FindControl<CIconButton>(this, kCancel);
    ok->SetIcon(IDI_OK);
    cancel->SetIcon(IDI_CANCEL);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(nameField_, &QLineEdit::textChanged, this, [this] { OnFieldChanged(nameField_); });
    connect(numberField_, &QLineEdit::textChanged, this, [this] { OnFieldChanged(numberField_); });
}

void CEditPhonebook::PutTexts() {
    putting_ = true;
    if (nameField_->text() != name_) {
        nameField_->setText(name_);
    }
    if (numberField_->text() != number_) {
        numberField_->setText(number_);
    }
    putting_ = false;
}

void CEditPhonebook::OnFieldChanged(CFilterEdit* field) {
    if (putting_) {
        return;
    }
    const int caret = field->hasSelectedText() ? field->selectionStart() : field->cursorPosition();
    if (!field->NonAsciiTyped()) {
        name_ = nameField_->text();
        number_ = numberField_->text();
        QString& own = field == nameField_ ? name_ : number_;
        own = UpperCase(own);
        PutTexts();
        field->setCursorPosition(caret);
        return;
    }
    // A character of 0x80 or above was typed: back to the text from before
    // the keystroke, without such characters.
    QString& own = field == nameField_ ? name_ : number_;
    int removed = 0;
    QString kept;
    for (QChar c : own) {
        if (c.unicode() >= 0x80) {
            ++removed;
        } else {
            kept.append(c);
        }
    }
    own = kept;
    PutTexts();
    field->setCursorPosition(std::max(0, caret - removed));
    desktop::MessageBeep();
}

void CEditPhonebook::OnOK() {
    const QString number = number_;
    if (number.size() < 3) {
        desktop::MessageBeep();
        return;
    }
    bool digit = false;
    for (QChar c : number) {
        digit = digit || (c >= u'0' && c <= u'9');
    }
    if (!digit) {
        desktop::MessageBeep();
        return;
    }
    name_ = nameField_->text();
    number_ = numberField_->text();
    accept();
}

std::string CEditPhonebook::Name() const {
    return name_.toLatin1().toStdString();
}

std::string CEditPhonebook::Number() const {
    return number_.toLatin1().toStdString();
}
