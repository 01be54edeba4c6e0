#pragma once
// The Phonebook page: the slots of the phonebook table in a three-column
// list, Read and Write of the whole phonebook, the entry and group editors,
// Delete and Delete All. While it is the active page its host's Load
// Phonebook and Save Phonebook items are enabled, and they come to it.

#include "base/qt_property_page.h"
#include "model/panel_context.h"
#include "model/phonebook_ops.h"
#include "phonebook/qt_phonebook_file_commands.h"

#include <vector>

class QLineEdit;
class QPushButton;
class QTreeWidget;

// A group's text in the number column, in the panel's language.
QString GroupDialText();

class CPhonebook : public CPropertyPage {
    Q_OBJECT
  public:
    // Reads and writes the phonebook table of the context over its link.
    explicit CPhonebook(PanelContext& context, QWidget* parent = nullptr);

    // Its tab's caption in the language file and its short name.
    static constexpr PageTab kTab = {.section = "PHONEBOOK", .key = "CAPTION", .name = "phonebook"};

    static bool ExistsFor(int machineClass) { return machineClass == kFullMachineClass; }

    // First table index shown, the index after the last one, and the view:
    // 1 speed-dial slots, 0 one-touch slots.
    int viewStart = 0;
    int viewEnd = 0;
    int viewKind = 1;

    // Rebuilds the list from the table and selects item 0.
    void FillList();
    // Enables Edit and Group dial after the slot of list item `item`.
    void UpdateButtons(int item);

    // Commands.
    void OnRead();
    void OnWrite();
    void OnEdit();
    void OnGroupDial();
    void OnDelete();
    void OnDeleteAll();
    void OnSpeedDialView();
    void OnOneTouchView();

    QTreeWidget* List() const { return list_; }
    // The find box: rows whose name or number hold its text stay shown.
    QLineEdit* FindBox() const { return find_; }
    // The selected list item, or -1.
    int SelectedItem() const;

    void OnSetActive() override;
    void OnKillActive() override;
    // File > Load Phonebook and File > Save Phonebook.
    bool OnCommand(int command) override;

    // The table against what was last read from or written to the machine.
    bool HasUnsentChanges() override;
    bool SendChanges() override;

  protected:
    void OnInitDialog() override;
    QString UnreadText() const override;
    QList<int> SendControls() const override;
    // Also Save and Export on the File menu.
    void ShowRecordState() override;
    void ExchangeValues(Exchange direction) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SetItemTexts(int item);
    void EditSlot(int item);
    void EditGroup(int item);
    void OnListClick();
    void OnListDoubleClick();
    void EnableFileItems(bool enable);
    void ApplyFind();

    LinkState& link_;
    MachineRecords& records_;
    QTreeWidget* list_ = nullptr;
    QLineEdit* find_ = nullptr;
    bool filling_ = false;
    // The table as last read from or written to the machine.
    std::vector<PhonebookEntry> sent_;
    PhonebookFileCommands fileCommands_;
};
