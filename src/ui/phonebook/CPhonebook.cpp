#include "phonebook/CPhonebook.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTreeWidget>
#include <cstring>

#include "base/qt_not_responding.h"
#include "desktop/qt_desktop.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "phonebook/CEditPhonebook.h"
#include "phonebook/CGroupDial.h"
#include "phonebook/qt_phonebook_print.h"
#include "platform/clock.h"
#include "protocol/exchange.h"
#include "protocol/phonebook.h"
#include "templates/phonebook_template.h"

using namespace phonebook_ids;

namespace {

QString Lang(const char* section, const char* key) {
    return QString::fromUtf8(GetLangString(section, key));
}

// Machine texts are 8-bit bytes shown as Latin-1.
QString MachineText(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Text to find in without regard to case or accents: "Émile" as "emile".
QString Folded(const QString& text) {
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_KD)) {
        if (!c.isMark()) {
            out += c;
        }
    }
    return out.toCaseFolded();
}

} // namespace

QString GroupDialText() {
    const QString text = Lang("COMMON", "IDS_GROUP_DIAL");
    return text.isEmpty() ? QString::fromLatin1(kGroupDialText) : text;
}

CPhonebook::CPhonebook(PanelContext& context, QWidget* parent)
    : CPropertyPage(phonebookTemplate, kTab, parent), link_(context.link),
      records_(context.records), fileCommands_(context.records) {
    viewKind = 1;
    // A file loaded by the user stands for the machine's table.
    connect(&fileCommands_, &PhonebookFileCommands::tableChanged, this, [this] {
        FillList();
        NoteRecordRead();
    });
}

void CPhonebook::OnInitDialog() {
    CPropertyPage::OnInitDialog();

    list_ = Control<QTreeWidget>(kList);
    connect(Control<QPushButton>(kRead), &QPushButton::clicked, this, [this] { OnRead(); });
    connect(Control<QPushButton>(kWrite), &QPushButton::clicked, this, [this] { OnWrite(); });
    connect(Control<QPushButton>(kEdit), &QPushButton::clicked, this, [this] { OnEdit(); });
    connect(Control<QPushButton>(kGroupDial), &QPushButton::clicked, this,
            [this] { OnGroupDial(); });
    connect(Control<QPushButton>(kDelete), &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(Control<QPushButton>(kDeleteAll), &QPushButton::clicked, this,
            [this] { OnDeleteAll(); });
    connect(Control<QRadioButton>(kSpeedDialRadio), &QRadioButton::clicked, this, [this] {
        if (!NotificationsBlocked()) {
            OnSpeedDialView();
        }
    });
    connect(Control<QRadioButton>(kOneTouchRadio), &QRadioButton::clicked, this, [this] {
        if (!NotificationsBlocked()) {
            OnOneTouchView();
        }
    });
    find_ = Control<QLineEdit>(kFind);
    find_->setPlaceholderText(Lang("PHONEBOOK", "FIND"));
    find_->setAccessibleName(Lang("PHONEBOOK", "FIND"));
    find_->setClearButtonEnabled(true);
    find_->installEventFilter(this);
    connect(find_, &QLineEdit::textChanged, this, [this] { ApplyFind(); });
    auto* findKey = new QShortcut(QKeySequence::Find, this);
    findKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(findKey, &QShortcut::activated, this, [this] {
        find_->setFocus(Qt::ShortcutFocusReason);
        find_->selectAll();
    });
    list_->viewport()->installEventFilter(this);
    // Enter on a row opens it as a double click does.
    list_->installEventFilter(this);
    // A row chosen with the keys sets the buttons as a click does.
    connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (!filling_ && current != nullptr) {
            UpdateButtons(list_->indexOfTopLevelItem(current));
        }
    });

    static const struct {
        int id;
        const char* key;
    } texts[] = {
        {kTypeBox, "IDL_TYPE"},
        {kOneTouchRadio, "IDC_ONETOUCH_DIAL"},
        {kSpeedDialRadio, "IDC_SPEED_DIAL_2"},
        {kRead, "IDC_GET_PHONEBOOK"},
        {kWrite, "IDC_SEND_PHONEBOOK"},
        {kEdit, "IDC_EDIT"},
        {kDelete, "IDC_DELETE"},
        {kDeleteAll, "IDC_DELETE_ALL"},
        {kGroupDial, "IDC_GROUP_DIAL"},
    };
    for (const auto& t : texts) {
        SetDlgItemText(t.id, Lang("PHONEBOOK", t.key));
    }

    int ok = 0;
    {
        desktop::WaitCursorScope wait;
        platform::Sleep(1500);
        ok = Mfp_GetPhonebook(link_, records_);
    }
    if (ok == 0) {
        ShowNotResponding(BoxOwner());
    } else {
        RecountGroupRefs(records_);
        NoteRecordRead();
    }
    // A failed first read leaves the table as it was, to be sent to nowhere.
    sent_ = CopyOfTable(records_);

    auto* speedRadio = Control<QRadioButton>(kSpeedDialRadio);
    speedRadio->setText(QString::asprintf("%s ( 0 ~ %d )",
                                          GetLangString("PHONEBOOK", "IDC_SPEED_DIAL_2"),
                                          SpeedDialSlots(records_) - 1));
    speedRadio->show();

    // The list has no label of its own: it is the phonebook.
    list_->setAccessibleName(Lang("PHONEBOOK", "CAPTION"));
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAllColumnsShowFocus(true);
    list_->setColumnCount(3);
    auto* header = new QTreeWidgetItem;
    header->setText(0, Lang("COMMON", "IDS_NUM"));
    header->setText(1, Lang("COMMON", "IDS_NAME"));
    header->setText(2, Lang("COMMON", "IDS_TEL_NUMBER"));
    header->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    header->setTextAlignment(1, Qt::AlignLeft | Qt::AlignVCenter);
    header->setTextAlignment(2, Qt::AlignLeft | Qt::AlignVCenter);
    list_->setHeaderItem(header);
    list_->header()->setStretchLastSection(false);
    const int scrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_);
    list_->setColumnWidth(0, 40);
    list_->setColumnWidth(1, 150);
    list_->setColumnWidth(2, list_->contentsRect().width() - scrollBarWidth - 190);

    OnSpeedDialView();
    ShowRecordState();
}

QString CPhonebook::UnreadText() const {
    return Lang("PHONEBOOK", "NOT_READ");
}

QList<int> CPhonebook::SendControls() const {
    return {kWrite};
}

void CPhonebook::ShowRecordState() {
    CPropertyPage::ShowRecordState();
    EnableFileItems(true);
}

void CPhonebook::ExchangeValues(Exchange direction) {
    auto* oneTouch = Control<QRadioButton>(kOneTouchRadio);
    auto* speed = Control<QRadioButton>(kSpeedDialRadio);
    if (oneTouch == nullptr || speed == nullptr) {
        return;
    }
    if (direction == Exchange::ToControls) {
        oneTouch->setChecked(viewKind == 0);
        speed->setChecked(viewKind == 1);
    } else {
        viewKind = oneTouch->isChecked() ? 0 : speed->isChecked() ? 1 : -1;
    }
}

void CPhonebook::OnSetActive() {
    ShowRecordState();
}

void CPhonebook::OnKillActive() {
    EnableFileItems(false);
}

void CPhonebook::EnableFileItems(bool enable) {
    if (PageHost* host = Host()) {
        host->EnableCommand(ID_FILE_LOAD_PBOOK, enable);
        host->EnableCommand(ID_FILE_IMPORT_PBOOK, enable);
        // The program's empty table may not go over a file.
        const QString why = enable && !RecordRead() ? UnreadText() : QString();
        host->EnableCommand(ID_FILE_SAVE_PBOOK, enable && RecordRead(), why);
        host->EnableCommand(ID_FILE_EXPORT_PBOOK, enable && RecordRead(), why);
        host->EnableCommand(ID_FILE_PRINT_PBOOK, enable);
    }
}

bool CPhonebook::OnCommand(int command) {
    switch (command) {
    case ID_FILE_LOAD_PBOOK:
        fileCommands_.Load(BoxOwner());
        return true;
    case ID_FILE_SAVE_PBOOK:
        if (!MaySend()) {
            return true;
        }
        if (const QString saved = fileCommands_.Save(BoxOwner()); !saved.isEmpty()) {
            if (PageHost* host = Host()) {
                host->ShowStatus(Lang("PHONEBOOK", "SAVED").replace(QStringLiteral("%1"), saved));
            }
        }
        return true;
    case ID_FILE_IMPORT_PBOOK:
        if (const QString imported = fileCommands_.Import(BoxOwner()); !imported.isEmpty()) {
            if (PageHost* host = Host()) {
                host->ShowStatus(imported);
            }
        }
        return true;
    case ID_FILE_EXPORT_PBOOK:
        if (!MaySend()) {
            return true;
        }
        if (const QString saved = fileCommands_.Export(BoxOwner()); !saved.isEmpty()) {
            if (PageHost* host = Host()) {
                host->ShowStatus(
                    Lang("PHONEBOOK", "EXPORTED").replace(QStringLiteral("%1"), saved));
            }
        }
        return true;
    case ID_FILE_PRINT_PBOOK:
        PrintPhonebookCommand(records_, BoxOwner());
        return true;
    default:
        return false;
    }
}

void CPhonebook::SetItemTexts(int item) {
    QTreeWidgetItem* row = list_->topLevelItem(item);
    const int slot = viewStart + item;
    if (row == nullptr || slot < 0 || slot >= PhonebookSlots(records_)) {
        return;
    }
    const PhonebookEntry& e = records_.phonebookTable[slot];
    row->setText(1, MachineText(SlotName(e)));
    row->setText(2, e.kind != 0 ? GroupDialText() : MachineText(SlotNumber(e)));
}

void CPhonebook::FillList() {
    if (list_ == nullptr) {
        return;
    }
    filling_ = true;
    list_->clear();
    const int end = std::min(viewEnd, PhonebookSlots(records_));
    QList<QTreeWidgetItem*> rows;
    for (int i = viewStart; i < end; ++i) {
        auto* row = new QTreeWidgetItem;
        row->setText(0, QString::asprintf("%3d", i - viewStart));
        row->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        rows.append(row);
    }
    list_->addTopLevelItems(rows);
    for (int item = 0; item < rows.size(); ++item) {
        SetItemTexts(item);
    }
    if (QTreeWidgetItem* first = list_->topLevelItem(0)) {
        list_->setCurrentItem(first);
        first->setSelected(true);
    }
    filling_ = false;
    ApplyFind();
}

void CPhonebook::ApplyFind() {
    if (list_ == nullptr || find_ == nullptr) {
        return;
    }
    const QString wanted = Folded(find_->text().trimmed());
    QTreeWidgetItem* firstShown = nullptr;
    for (int item = 0; item < list_->topLevelItemCount(); ++item) {
        QTreeWidgetItem* row = list_->topLevelItem(item);
        const bool shown = wanted.isEmpty() || Folded(row->text(1)).contains(wanted) ||
                           Folded(row->text(2)).contains(wanted);
        row->setHidden(!shown);
        firstShown = firstShown == nullptr && shown ? row : firstShown;
    }
    // The selection moves to the first slot found, so Enter opens it.
    QTreeWidgetItem* current = list_->currentItem();
    if (firstShown != nullptr && (current == nullptr || current->isHidden())) {
        list_->setCurrentItem(firstShown);
        firstShown->setSelected(true);
    }
}

void CPhonebook::UpdateButtons(int item) {
    auto* edit = Control<QPushButton>(kEdit);
    auto* group = Control<QPushButton>(kGroupDial);
    const int slot = viewStart + item;
    if (edit == nullptr || group == nullptr || slot < 0 || slot >= PhonebookSlots(records_)) {
        return;
    }
    EditButtonStates states{edit->isEnabled(), group->isEnabled()};
    ApplyClickRules(records_.phonebookTable[slot], states);
    edit->setEnabled(states.edit);
    group->setEnabled(states.groupDial);
}

int CPhonebook::SelectedItem() const {
    if (list_ == nullptr) {
        return -1;
    }
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) {
        return -1;
    }
    return list_->indexOfTopLevelItem(selected.first());
}

void CPhonebook::OnSpeedDialView() {
    viewStart = 0;
    viewEnd = SpeedDialSlots(records_);
    UpdateButtons(0);
    viewKind = 1;
    FillList();
}

void CPhonebook::OnOneTouchView() {
    viewStart = SpeedDialSlots(records_);
    viewEnd = PhonebookSlots(records_);
    UpdateButtons(0);
    viewKind = 0;
    FillList();
}

void CPhonebook::OnRead() {
    // A read puts the machine's phonebook over the table: edits not sent
    // would be gone without a word.
    if (HasUnsentChanges()) {
        const QStringList buttons = {Lang("MAIN", "UNSENT_SEND"), Lang("MAIN", "UNSENT_DISCARD"),
                                     Lang("MAIN", "UNSENT_STAY")};
        const int choice = desktop::CurrentDesktop().askChoice(
            BoxOwner(), Lang("PHONEBOOK", "READ_UNSENT"), Lang("MAIN", "CAPTION"), buttons, 2);
        if (choice == 2 || (choice == 0 && !SendChanges())) {
            return;
        }
    }
    int ok = 0;
    {
        desktop::WaitCursorScope wait;
        ok = Mfp_GetPhonebook(link_, records_);
        PauseMs(500);
    }
    if (ok == 0) {
        ShowNotResponding(BoxOwner());
        return;
    }
    RecountGroupRefs(records_);
    sent_ = CopyOfTable(records_);
    NoteRecordRead();
    FillList();
}

void CPhonebook::OnWrite() {
    if (!MaySend()) {
        return;
    }
    int ok = 0;
    {
        desktop::WaitCursorScope wait;
        ok = Mfp_SetPhonebook(link_, records_);
        PauseMs(500);
    }
    // The user must never believe the machine holds a phonebook it does not.
    if (ok == 0) {
        ShowNotResponding(BoxOwner());
        return;
    }
    sent_ = CopyOfTable(records_);
    if (PageHost* host = Host()) {
        host->ShowStatus(Lang("PHONEBOOK", "SENT"));
    }
}

bool CPhonebook::HasUnsentChanges() {
    return IsInitialised() && RecordRead() && !TableMatches(records_, sent_);
}

bool CPhonebook::SendChanges() {
    if (!MaySend()) {
        return false;
    }
    OnWrite();
    return !HasUnsentChanges();
}

void CPhonebook::OnEdit() {
    const int item = SelectedItem();
    if (item < 0) {
        desktop::MessageBeep();
        return;
    }
    EditSlot(item);
}

void CPhonebook::OnGroupDial() {
    const int item = SelectedItem();
    if (item < 0) {
        desktop::MessageBeep();
        return;
    }
    EditGroup(item);
}

void CPhonebook::EditSlot(int item) {
    const int slot = viewStart + item;
    if (slot < 0 || slot >= PhonebookSlots(records_)) {
        return;
    }
    // A group's member field is no dialling text: the entry editor would
    // write a number over it. (Edit can still be enabled from an earlier
    // click when a Read or a loaded file put a group here.)
    if (records_.phonebookTable[slot].kind != 0) {
        desktop::MessageBeep();
        return;
    }
    CEditPhonebook editor(records_, slot, this);
    if (editor.exec() == QDialog::Accepted) {
        StoreSingleNumber(records_, slot, editor.Name(), editor.Number());
        SetItemTexts(item);
        UpdateButtons(item);
    }
    list_->setFocus();
}

void CPhonebook::EditGroup(int item) {
    const int slot = viewStart + item;
    if (slot < 0 || slot >= PhonebookSlots(records_)) {
        return;
    }
    const PhonebookEntry& e = records_.phonebookTable[slot];
    // A single-number slot has no members yet: its number bytes are no bitmap.
    uint8_t members[kMembersLength] = {};
    if (e.kind != 0) {
        std::memcpy(members, e.members, kMembersLength);
    }
    CGroupDial editor(records_, SlotName(e), members, viewKind != 0, this);
    if (editor.exec() == QDialog::Accepted) {
        StoreGroup(records_, slot, editor.Name(), editor.memberField);
        SetItemTexts(item);
        UpdateButtons(item);
    }
    list_->setFocus();
}

void CPhonebook::OnDelete() {
    const int item = SelectedItem();
    if (item < 0) {
        desktop::MessageBeep();
        return;
    }
    const int slot = viewStart + item;
    if (!DeleteSlot(records_, slot, viewKind)) {
        // Say which groups keep it, so the user knows what to change first.
        QStringList groups;
        for (int g : GroupsHolding(records_, slot)) {
            const std::string name = SlotName(records_.phonebookTable[g]);
            groups << QStringLiteral("%1 %2")
                          .arg(g - (g >= SpeedDialSlots(records_) ? SpeedDialSlots(records_) : 0))
                          .arg(MachineText(name))
                          .trimmed();
        }
        if (groups.isEmpty()) {
            desktop::MessageBeep();
            return;
        }
        desktop::MessageBox(BoxOwner(),
                            Lang("PHONEBOOK", "DELETE_HELD")
                                .replace(QStringLiteral("%1"), QString::number(item))
                                .replace(QStringLiteral("%2"), groups.join(QStringLiteral(", "))),
                            Lang("MAIN", "CAPTION"), desktop::Icon::Information,
                            desktop::Buttons::Ok);
        return;
    }
    SetItemTexts(item);
    list_->setFocus();
}

void CPhonebook::OnDeleteAll() {
    int used = 0;
    for (int i = 0; i < PhonebookSlots(records_); ++i) {
        used += SlotIsEmpty(records_.phonebookTable[i]) ? 0 : 1;
    }
    if (used == 0) {
        desktop::MessageBeep();
        return;
    }
    const QStringList buttons = {Lang("PHONEBOOK", "DELETE_ALL_KEEP"),
                                 Lang("PHONEBOOK", "DELETE_ALL_YES")};
    const QString question =
        Lang("PHONEBOOK", "DELETE_ALL_ASK").replace(QStringLiteral("%1"), QString::number(used));
    if (desktop::CurrentDesktop().askChoice(BoxOwner(), question, Lang("MAIN", "CAPTION"), buttons,
                                            0) != 1) {
        return;
    }
    const int refused = DeleteAllSlots(records_);
    for (int i = 0; i < refused; ++i) {
        desktop::MessageBeep();
    }
    FillList();
}

void CPhonebook::OnListClick() {
    const int item = SelectedItem();
    if (item >= 0) {
        UpdateButtons(item);
    }
}

void CPhonebook::OnListDoubleClick() {
    const int item = SelectedItem();
    if (item < 0) {
        desktop::MessageBeep();
        return;
    }
    const int slot = viewStart + item;
    if (slot < PhonebookSlots(records_) && records_.phonebookTable[slot].kind != 0) {
        EditGroup(item);
    } else {
        EditSlot(item);
    }
}

bool CPhonebook::eventFilter(QObject* watched, QEvent* event) {
    if (find_ != nullptr && watched == find_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape && !find_->text().isEmpty()) {
            find_->clear();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
            list_->setFocus(Qt::OtherFocusReason);
            if (key != Qt::Key_Down) {
                OnListDoubleClick();
            }
            return true;
        }
    }
    if (list_ != nullptr && watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnListDoubleClick();
            return true;
        }
    }
    if (list_ != nullptr && watched == list_->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            OnListClick();
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            OnListDoubleClick();
            return true;
        }
    }
    return CPropertyPage::eventFilter(watched, event);
}
