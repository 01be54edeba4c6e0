#include "base/qt_property_page.h"

#include <QButtonGroup>
#include <QSignalBlocker>
#include <vector>

CPropertyPage::CPropertyPage(const dlg::DialogTemplate& dialogTemplate, PageTab tab,
                             QWidget* parent)
    : QWidget(parent), template_(&dialogTemplate), tab_(tab) {
    setFixedSize(dlg::DialogSize(dialogTemplate));
}

CPropertyPage::~CPropertyPage() = default;

QString CPropertyPage::Caption() const {
    return QString::fromStdString(template_->caption);
}

QSize CPropertyPage::sizeHint() const {
    return dlg::DialogSize(*template_);
}

void CPropertyPage::EnsureInitialised() {
    if (initialised_) {
        return;
    }
    initialised_ = true;
    dlg::BuildDialog(this, *template_);
    OnInitDialog();
}

void CPropertyPage::OnInitDialog() {
    UpdateData(Exchange::ToControls);
}

void CPropertyPage::UpdateData(Exchange direction) {
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QWidget* w : findChildren<QWidget*>()) {
        if (dlg::ControlId(w) >= 0) {
            blockers.push_back(std::make_unique<QSignalBlocker>(w));
        }
    }
    for (QButtonGroup* g : findChildren<QButtonGroup*>()) {
        blockers.push_back(std::make_unique<QSignalBlocker>(g));
    }
    ++blocked_;
    ExchangeValues(direction);
    --blocked_;
}
