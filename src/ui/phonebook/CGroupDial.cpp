#include "phonebook/CGroupDial.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <array>
#include <cstring>

#include "desktop/qt_resources.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "model/phonebook_ops.h"
#include "phonebook/CPhonebook.h"
#include "templates/group_dial_template.h"
#include "widgets/CFilterEdit.h"
#include "widgets/CIconButton.h"
#include "widgets/qt_dialog_builder.h"

using namespace group_dial_ids;

namespace {

QString Lang(const char* section, const char* key) {
    return QString::fromUtf8(GetLangString(section, key));
}

QString MachineText(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

constexpr int kSlotRole = Qt::UserRole;

// The short mark before a slot number: speed dial or one touch.
QString Prefix(bool speedDial) {
    const QString text = Lang("GROUP_DIAL", speedDial ? "SD_PREFIX" : "OT_PREFIX");
    return text.isEmpty() ? QString::fromLatin1(speedDial ? "SD" : "OT") : text;
}

} // namespace

CGroupDial::CGroupDial(MachineRecords& records, const std::string& name, const uint8_t* members,
                       bool speedDialMode, QWidget* parent)
    : QDialog(parent), records_(records), speedDialMode_(speedDialMode) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    name_ = MachineText(name.substr(0, kNameLength));
    std::memcpy(memberField, members, kMembersLength);
    const int n = PhonebookSlots(records_);
    countsAtOpening_.assign(records_.groupRefCount, records_.groupRefCount + n);

    dlg::BuildDialog(this, groupDialTemplate);
    nameField_ = dlg::FindControl<CFilterEdit>(this, kName);
    included_ = dlg::FindControl<QTreeWidget>(this, kIncludedList);
    available_ = dlg::FindControl<QTreeWidget>(this, kAvailableList);
    add_ = dlg::FindControl<QPushButton>(this, kAdd);
    nameField_->setText(name_);

    setWindowTitle(Lang("GROUP_DIAL", "CAPTION"));
    // The frame round the whole dialog has no title: it is the group.
    for (QGroupBox* box : findChildren<QGroupBox*>()) {
        if (box->title().isEmpty()) {
            box->setAccessibleName(windowTitle());
        }
    }
    static const struct {
        int id;
        const char* key;
    } texts[] = {
        {kNameLabel, "IDL_NAME"},
        {kIncludedLabel, "IDL_I_NUMBER"},
        {kAvailableLabel, "IDL_A_NUMBER"},
        {kRemove, "IDC_REMOVE"},
        {kAdd, "IDC_ADD"},
        {kOk, "IDOK"},
        {kCancel, "IDCANCEL"},
    };
    for (const auto& t : texts) {
        dlg::SetControlText(this, t.id, Lang("GROUP_DIAL", t.key));
    }

    nameField_->setMaxLength(kNameLength);
    nameField_->filterMode = 2;
    auto* ok = dlg::FindControl<CIconButton>(this, kOk);
    auto* cancel = dlg::FindControl<CIconButton>(this, kCancel);
    ok->SetIcon(IDI_OK);
    cancel->SetIcon(IDI_CANCEL);

    SetUpList(included_);
    const int s = SpeedDialSlots(records_);
    for (int slot : GroupMembers(records_, memberField, speedDialMode_)) {
        includeState_[static_cast<size_t>(slot)] = kIncluded;
        QString number;
        if (!speedDialMode_) {
            number = QString::asprintf("%3d", slot);
        } else if (slot >= s) {
            number = Prefix(false) + QString::asprintf("%3d", slot - s);
        } else {
            number = Prefix(true) + QString::asprintf("%3d", slot);
        }
        included_->addTopLevelItem(NewItem(slot, number));
    }
    SetUpList(available_);

    typeSelection = 1;
    rangeStart = 0;
    rangeEnd = s;
    if (auto* type = dlg::FindControl<QComboBox>(this, kTypeList)) {
        type->setCurrentIndex(typeSelection);
    }
    FillAvailable();
    FitColumns();

    connect(add_, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(dlg::FindControl<QPushButton>(this, kRemove), &QPushButton::clicked, this,
            [this] { OnRemove(); });
    if (auto* type = dlg::FindControl<QComboBox>(this, kTypeList)) {
        connect(type, &QComboBox::currentIndexChanged, this, [this] { OnTypeChange(); });
    }
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void CGroupDial::SetUpList(QTreeWidget* list) {
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setAllColumnsShowFocus(true);
    list->setColumnCount(3);
    auto* header = new QTreeWidgetItem;
    header->setText(0, Lang("COMMON", "IDS_NUM"));
    header->setText(1, Lang("COMMON", "IDS_NAME"));
    header->setText(2, Lang("COMMON", "IDS_TEL_NUMBER"));
    header->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    list->setHeaderItem(header);
    list->header()->setStretchLastSection(false);
    list->setColumnWidth(0, 40);
    list->setColumnWidth(1, 100);
    list->setColumnWidth(2, 200);
}

void CGroupDial::FitColumns() {
    // Every slot either list can show is in one of them now.
    std::array<int, 3> widths{};
    for (QTreeWidget* list : {included_, available_}) {
        for (int c = 0; c < 3; ++c) {
            list->resizeColumnToContents(c);
            widths[c] = std::max(widths[c], list->columnWidth(c));
        }
    }
    const int frame = 2 * included_->frameWidth();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, included_);
    const int needed = widths[0] + widths[1] + widths[2] + frame + scrollBar;
    for (QTreeWidget* list : {included_, available_}) {
        for (int c = 0; c < 3; ++c) {
            list->setColumnWidth(c, widths[c]);
        }
    }

    // The lists' captions take the room beside their buttons and stay on one
    // line; the room grows with the lists.
    const int gap = dlg::DialogUnitsOf().toPixelsX(3);
    auto* remove = dlg::FindControl<QPushButton>(this, kRemove);
    auto* included = dlg::FindControl<QLabel>(this, kIncludedLabel);
    auto* available = dlg::FindControl<QLabel>(this, kAvailableLabel);
    const auto textWidth = [](const QLabel* label) {
        return label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->margin() + 2;
    };
    int delta = needed - std::max(included_->width(), available_->width());
    if (included != nullptr && remove != nullptr) {
        delta = std::max(delta, textWidth(included) - (remove->geometry().left() - gap -
                                                       included->geometry().left()));
    }
    if (available != nullptr) {
        delta = std::max(delta, textWidth(available) - (available_->geometry().right() -
                                                        add_->geometry().right() - gap));
    }
    if (delta > 0) {
        WidenBy(delta);
    }
    if (available != nullptr) {
        QRect g = available->geometry();
        g.setLeft(std::min(g.left(), add_->geometry().right() + gap));
        available->setGeometry(g);
    }
    if (included != nullptr && remove != nullptr) {
        QRect g = included->geometry();
        g.setRight(std::max(g.right(), remove->geometry().left() - gap));
        included->setGeometry(g);
    }
}

void CGroupDial::WidenBy(int delta) {
    const QRect left = included_->geometry();
    const QRect right = available_->geometry();
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const int id = dlg::ControlId(w);
        QRect g = w->geometry();
        if (w == included_) {
            g.setWidth(g.width() + delta);
        } else if (w == available_) {
            g.translate(delta, 0);
            g.setWidth(g.width() + delta);
        } else if (qobject_cast<QGroupBox*>(w) != nullptr) {
            g.setWidth(g.width() + 2 * delta);
        } else if (id == kOk || id == kCancel) {
            g.translate(delta, 0);
        } else if (id >= 0 && std::abs(g.right() - left.right()) <= 3) {
            // Ends with the left list: keeps ending with it.
            g.translate(delta, 0);
        } else if (id >= 0 && g.left() >= right.left() - 2) {
            // Over the right list; what ends with it keeps ending with it.
            g.translate(std::abs(g.right() - right.right()) <= 3 ? 2 * delta : delta, 0);
        } else {
            continue;
        }
        w->setGeometry(g);
    }
    setFixedSize(width() + 2 * delta, height());
}

QTreeWidgetItem* CGroupDial::NewItem(int slot, const QString& numberText) const {
    auto* item = new QTreeWidgetItem;
    item->setText(0, numberText);
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    item->setData(0, kSlotRole, slot);
    if (slot >= 0 && slot < PhonebookSlots(records_)) {
        const PhonebookEntry& e = records_.phonebookTable[slot];
        item->setText(1, MachineText(SlotName(e)));
        item->setText(2, speedDialMode_ ? MachineText(SlotNumber(e)) : GroupDialText());
    }
    return item;
}

QTreeWidgetItem* CGroupDial::CopyItem(const QTreeWidgetItem* item) const {
    auto* copy = new QTreeWidgetItem;
    for (int c = 0; c < 3; ++c) {
        copy->setText(c, item->text(c));
    }
    copy->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    copy->setData(0, kSlotRole, item->data(0, kSlotRole));
    return copy;
}

int CGroupDial::SlotOf(const QTreeWidgetItem* item) {
    return item->data(0, kSlotRole).toInt();
}

void CGroupDial::FillAvailable() {
    available_->clear();
    const int end = std::min(rangeEnd, PhonebookSlots(records_));
    for (int i = std::max(rangeStart, 0); i < end; ++i) {
        if (!OfferedForGroup(records_, i, memberField, speedDialMode_, includeState_)) {
            continue;
        }
        const QString number =
            speedDialMode_ ? Prefix(typeSelection == 1) + QString::asprintf("%3d", i - rangeStart)
                           : QString::asprintf("%3d", i - rangeStart);
        available_->addTopLevelItem(NewItem(i, number));
    }
}

void CGroupDial::OnTypeChange() {
    auto* type = dlg::FindControl<QComboBox>(this, kTypeList);
    typeSelection = type != nullptr ? type->currentIndex() : 1;
    if (typeSelection == 0) {
        rangeStart = SpeedDialSlots(records_);
        rangeEnd = PhonebookSlots(records_);
    } else {
        rangeStart = 0;
        rangeEnd = SpeedDialSlots(records_);
    }
    FillAvailable();
}

void CGroupDial::OnAdd() {
    QList<QTreeWidgetItem*> chosen;
    for (int i = 0; i < available_->topLevelItemCount(); ++i) {
        if (available_->topLevelItem(i)->isSelected()) {
            chosen.append(available_->topLevelItem(i));
        }
    }
    if (chosen.isEmpty()) {
        return;
    }
    for (QTreeWidgetItem* item : chosen) {
        const int slot = SlotOf(item);
        included_->addTopLevelItem(CopyItem(item));
        if (slot >= 0 && slot < kIncludeStateSlots) {
            includeState_[static_cast<size_t>(slot)] = kIncluded;
        }
        if (slot >= 0 && slot < PhonebookSlots(records_)) {
            ++records_.groupRefCount[slot];
        }
    }
    qDeleteAll(chosen);
    // A one-touch slot dials a single group.
    if (!speedDialMode_) {
        add_->setEnabled(false);
    }
}

void CGroupDial::OnRemove() {
    QList<QTreeWidgetItem*> chosen;
    for (int i = 0; i < included_->topLevelItemCount(); ++i) {
        if (included_->topLevelItem(i)->isSelected()) {
            chosen.append(included_->topLevelItem(i));
        }
    }
    if (chosen.isEmpty()) {
        return;
    }
    const int s = SpeedDialSlots(records_);
    for (QTreeWidgetItem* item : chosen) {
        const int slot = SlotOf(item);
        if (slot >= 0 && slot < kIncludeStateSlots) {
            includeState_[static_cast<size_t>(slot)] = kRemoved;
        }
        if (slot >= 0 && slot < PhonebookSlots(records_)) {
            --records_.groupRefCount[slot];
        }
        const bool shown = slot >= s ? typeSelection == 0 : typeSelection == 1;
        if (shown) {
            available_->addTopLevelItem(CopyItem(item));
        }
    }
    qDeleteAll(chosen);
}

void CGroupDial::OnOK() {
    BuildMemberField(records_, memberField, speedDialMode_, includeState_);
    name_ = nameField_->text();
    accept();
}

void CGroupDial::reject() {
    // A cancelled edit changes nothing, the reference counts included.
    const int n = std::min(PhonebookSlots(records_), static_cast<int>(countsAtOpening_.size()));
    std::copy(countsAtOpening_.begin(), countsAtOpening_.begin() + n, records_.groupRefCount);
    QDialog::reject();
}

std::string CGroupDial::Name() const {
    return name_.toLatin1().left(kNameLength).toStdString();
}
