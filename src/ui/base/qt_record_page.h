#pragma once
// Base of the pages that show one machine record and write it back (Settings,
// Advanced): Refresh reads the record, Apply writes it, and the page tells
// whether its controls hold changes the machine has not been given. Its first
// action when shown is a Refresh. A page supplies:
//   ReadRecord(), WriteRecord()  the machine commands, true when answered;
//   SetUpControls()              its handlers and texts, before the first read;
//   ShowValues()                 the record into its values and controls;
//   KeepSentValues(), ValuesChangedSinceSent()  what the controls said when
//                                the record was last read or written, and
//                                whether they say something else now.
// The texts for an unread record and a sent one are NOT_READ and SENT of the
// page's language section.

#include "base/qt_property_page.h"

class CRecordPage : public CPropertyPage {
    Q_OBJECT
  public:
    // refreshId, applyId: the template's Refresh and Apply buttons.
    CRecordPage(const dlg::DialogTemplate& dialogTemplate, PageTab tab, int refreshId, int applyId,
                QWidget* parent = nullptr);

    // Handlers, public so that the main window and tests can run them.
    void OnRefresh();
    void OnApply();
    // Shows the record as it stands, without asking the machine.
    void ShowRecord();

    bool HasUnsentChanges() override;
    bool SendChanges() override;
    void ShowLoadedSettings() override { ShowValues(); }

  protected:
    void OnInitDialog() override;
    void RefreshRecord() override { OnRefresh(); }
    QString UnreadText() const override;
    QList<int> SendControls() const override { return {applyId_}; }
    void OnSetActive() override { ShowRecordState(); }

    virtual bool ReadRecord() = 0;
    virtual bool WriteRecord() = 0;
    virtual void SetUpControls() = 0;
    virtual void ShowValues() = 0;
    virtual void KeepSentValues() = 0;
    virtual bool ValuesChangedSinceSent() = 0;
    // Before Apply writes: what the controls show into the record.
    virtual void StoreValues() {}
    // Before the page's changes are sent for the main window: what leaving
    // the field being edited would do.
    virtual void FinishEditing() {}
    // Does a failed read show the record all the same (as it was left)?
    virtual bool ShowsRecordAfterFailedRead() const { return false; }

    QString PageText(const char* key) const;

  private:
    int refreshId_;
    int applyId_;
};
