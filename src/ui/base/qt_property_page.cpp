#include "base/qt_property_page.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QSignalBlocker>
#include <algorithm>

#include "model/lang_text.h"
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
    const QSize size = dlg::DialogSize(*template_);
    return {std::max(size.width(), contentWidth_), size.height()};
}

void CPropertyPage::SetContentWidth(int width) {
    const int before = sizeHint().width();
    contentWidth_ = width;
    const QSize size = sizeHint();
    setFixedSize(size);
    const int shift = (size.width() - dlg::DialogSize(*template_).width()) / 2 -
                      (before - dlg::DialogSize(*template_).width()) / 2;
    if (initialised_ && shift != 0) {
        for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            w->move(w->x() + shift, w->y());
        }
    }
}

QList<QWidget*> CPropertyPage::FocusControls() const {
    QList<QWidget*> controls;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (dlg::ControlId(w) >= 0 && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
            controls << w;
        }
    }
    return controls;
}

QWidget* CPropertyPage::FirstFocusControl() const {
    for (QWidget* w : FocusControls()) {
        if (!w->isHidden() && w->isEnabled()) {
            return w;
        }
    }
    return nullptr;
}

void CPropertyPage::EnsureInitialised() {
    if (initialised_) {
        return;
    }
    initialised_ = true;
    dlg::BuildDialog(this, *template_);
    // The template's size again, widened as the sheet asked.
    setFixedSize(sizeHint());
    const int shift = (sizeHint().width() - dlg::DialogSize(*template_).width()) / 2;
    if (shift != 0) {
        for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            w->move(w->x() + shift, w->y());
        }
    }
    OnInitDialog();
    // A frame without a title groups the page's values: it is the page.
    const QString caption = QString::fromUtf8(GetLangString(tab_.section, tab_.key));
    for (QGroupBox* box : findChildren<QGroupBox*>()) {
        if (box->title().isEmpty()) {
            box->setAccessibleName(caption);
        }
    }
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

void CPropertyPage::NoteRecordRead() {
    recordRead_ = true;
    ShowRecordState();
}

void CPropertyPage::ShowRecordState() {
    const QString why = recordRead_ ? QString() : UnreadText();
    for (int id : SendControls()) {
        if (QWidget* control = GetDlgItem(id)) {
            control->setEnabled(recordRead_);
            control->setToolTip(why);
        }
    }
    if (!recordRead_ && host_ != nullptr) {
        host_->ShowStatus(why);
    }
}

bool CPropertyPage::MaySend() {
    if (recordRead_) {
        return true;
    }
    if (host_ != nullptr) {
        host_->ShowStatus(UnreadText());
    }
    return false;
}

bool CPropertyPage::ReadRecordOnce() {
    if (!IsInitialised()) {
        EnsureInitialised();
    } else if (!recordRead_) {
        RefreshRecord();
    }
    return recordRead_;
}
