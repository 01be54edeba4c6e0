#include "phonebook/CImportQuestion.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "model/lang_text.h"
#include "model/phonebook_import_choice.h"

namespace {

QString Lang(const char* section, const char* key) {
    return QString::fromUtf8(GetLangString(section, key));
}

} // namespace

CImportQuestion::CImportQuestion(const PhonebookImportOptions& options, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(Lang("PHONEBOOK", "IMPORT_CAPTION"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    prefix_ = new QLineEdit(QString::fromStdString(options.internationalPrefix), this);
    prefix_->setMaxLength(4);
    prefix_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}"), prefix_));
    auto* label = new QLabel(Lang("PHONEBOOK", "IMPORT_PREFIX"), this);
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(prefix_);
    form->addRow(label, prefix_);
    layout->addLayout(form);
    faxOnly_ = new QCheckBox(Lang("PHONEBOOK", "IMPORT_FAX_ONLY"), this);
    faxOnly_->setChecked(options.faxOnly);
    layout->addWidget(faxOnly_);
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(Lang("EDIT_PHONEBOOK", "IDOK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(Lang("EDIT_PHONEBOOK", "IDCANCEL"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Without a prefix a "+" would be lost.
    connect(prefix_, &QLineEdit::textChanged, this,
            [this](const QString& text) { ok_->setEnabled(!text.isEmpty()); });
}

PhonebookImportOptions CImportQuestion::Options() const {
    PhonebookImportOptions options;
    options.internationalPrefix = prefix_->text().toStdString();
    options.faxOnly = faxOnly_->isChecked();
    return options;
}

bool CImportQuestion::Ask(QWidget* owner, PhonebookImportOptions& options) {
    CImportQuestion question(options, owner);
    if (question.exec() != QDialog::Accepted) {
        return false;
    }
    options = question.Options();
    SaveImportChoice(options); // a choice that cannot be kept is asked again next time
    return true;
}
