#pragma once
// The group dial editor: the group's name, its members in one list and the
// slots that may still join in the other. Add and Remove move slots between
// the lists and adjust groupRefCount at once; Cancel puts every count back as
// it was when the editor opened. OK rebuilds the 46-byte member field.
//
// The mode is the view of the page that opens the editor: in the speed-dial
// mode a group is a set of single-number slots (the two bitmaps of the member
// field); in the one-touch mode a one-touch slot names one speed-dial group.

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "model/phonebook_ops.h"
#include "protocol/phonebook.h"

class CFilterEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CGroupDial : public QDialog {
    Q_OBJECT
  public:
    // records: the table the group is in, whose reference counts the editor
    // keeps; name: the slot's name; members: its 46-byte member field;
    // speedDialMode: the page shows the speed-dial slots.
    CGroupDial(MachineRecords& records, const std::string& name, const uint8_t* members,
               bool speedDialMode, QWidget* parent = nullptr);

    // After OK: the group to store.
    std::string Name() const;
    uint8_t memberField[kMembersLength] = {};

    int typeSelection = 0;
    int rangeStart = 0;
    int rangeEnd = 0;
    bool SpeedDialMode() const { return speedDialMode_; }
    // Who is in the group as edited so far (kIncluded, kRemoved or 0 by slot).
    const IncludeState& Included() const { return includeState_; }

    QTreeWidget* IncludedList() const { return included_; }
    QTreeWidget* AvailableList() const { return available_; }
    CFilterEdit* NameField() const { return nameField_; }

    // Commands.
    void OnAdd();
    void OnRemove();
    void OnTypeChange();
    void OnOK();
    void reject() override;

  private:
    void SetUpList(QTreeWidget* list);
    // Columns as wide as the widest text either list may show, the lists and
    // the dialog widened to match.
    void FitColumns();
    // Both lists `delta` pixels wider, what stands over the right one moved
    // along, the dialog grown to match.
    void WidenBy(int delta);
    void FillAvailable();
    QTreeWidgetItem* NewItem(int slot, const QString& numberText) const;
    QTreeWidgetItem* CopyItem(const QTreeWidgetItem* item) const;
    static int SlotOf(const QTreeWidgetItem* item);

    MachineRecords& records_;
    bool speedDialMode_ = true;
    IncludeState includeState_{};
    QString name_;
    CFilterEdit* nameField_ = nullptr;
    QTreeWidget* included_ = nullptr;
    QTreeWidget* available_ = nullptr;
    QPushButton* add_ = nullptr;
    // The counts as they were at opening, for Cancel.
    std::vector<uint8_t> countsAtOpening_;
};
