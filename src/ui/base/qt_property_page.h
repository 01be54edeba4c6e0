#pragma once
// Base of the pages of the main window's tabbed sheet (Settings, Advanced,
// Phonebook, Information, Firmware Update).
//
// A page is built from its dialog template and initialised the first time the
// sheet shows it, as a property page is: until then it has no controls.
// Then, once:
//   1. the controls are built from the template (dlg::BuildDialog);
//   2. OnInitDialog() runs. The base version is the standard dialog
//      initialisation: UpdateData(Exchange::ToControls). A page overrides it,
//      calls the base first, connects its notification handlers, sets its texts
//      and runs its refresh:
//
//   class CInfo : public CPropertyPage {
//   public:
//       explicit CInfo(QWidget* parent = nullptr)
//           : CPropertyPage(infoTemplate, {.section = "INFO", .key = "CAPTION", .name = "info"},
//                           parent) {}
//   protected:
//       void OnInitDialog() override {
//           CPropertyPage::OnInitDialog();
//           connect(Control<QPushButton>(1060), &QPushButton::clicked, this, [this] { OnRefresh();
//           });
//           ...
//       }
//       void ExchangeValues(Exchange direction) override { ... }
//   };
//
// After that the sheet calls OnSetActive() each time the page becomes the
// selected tab (also right after OnInitDialog) and OnKillActive() when another
// tab is selected or the sheet goes away.
//
// The main window makes its pages from a list (shell/page_registry.cpp) and
// knows them only through this class: Tab() (given with the template) names
// the tab, ExistsFor() says for which machines the page is made, and
// OnCommand() takes the menu commands that go to the current page. The window
// is the page's Host().
//
// ExchangeValues(direction) moves every value between the page's members and
// its controls. Always call it through UpdateData(): while it runs, every
// control of the page has its signals blocked, so filling the controls never
// reaches the page's handlers; NotificationsBlocked() is true meanwhile.

#include <QWidget>

#include "base/qt_page_host.h"
#include "protocol/inquiry.h"
#include "templates/dialog_template.h"
#include "widgets/qt_dialog_builder.h"

enum class Exchange { ToControls, FromControls };

// A page's tab: the language entry of its caption and the page's short name,
// which names its tab image (art/tab-<name>.svg) and the page to automation.
struct PageTab {
    const char* section;
    const char* key;
    const char* name;
};

class CPropertyPage : public QWidget {
    Q_OBJECT
  public:
    // The template must outlive the page (the tables are process-wide).
    CPropertyPage(const dlg::DialogTemplate& dialogTemplate, PageTab tab,
                  QWidget* parent = nullptr);
    ~CPropertyPage() override;

    const dlg::DialogTemplate& Template() const { return *template_; }
    const PageTab& Tab() const { return tab_; }
    // Template caption (the tab title until the main window sets it).
    QString Caption() const;
    // Pixel size of the page (its template with the dialog font, at least
    // the content width).
    QSize sizeHint() const override;
    // Makes the page at least this wide, its controls centred in it (a sheet
    // whose tabs are wider than the template).
    void SetContentWidth(int width);

    // Has the page been built and initialised?
    bool IsInitialised() const { return initialised_; }
    // Builds and initialises the page when it has not been yet (the sheet
    // calls it when it shows the page; tests may call it directly).
    void EnsureInitialised();

    // Runs ExchangeValues with the page's notifications blocked.
    void UpdateData(Exchange direction);
    bool NotificationsBlocked() const { return blocked_ > 0; }

    // The control with that id, or nullptr (also before initialisation).
    QWidget* GetDlgItem(int id) const { return dlg::FindControlWidget(this, id); }
    template <class T> T* Control(int id) const { return dlg::FindControl<T>(this, id); }
    // Sets a control's text (see dlg::SetControlText).
    void SetDlgItemText(int id, const QString& text) { dlg::SetControlText(this, id, text); }

    // Is the page made for a machine of that class? A page that only some
    // machines have hides this with its own.
    static bool ExistsFor(int /*machineClass*/) { return true; }

    // The window holding the page, or nullptr for a page on its own.
    PageHost* Host() const { return host_; }
    void SetHost(PageHost* host) { host_ = host; }
    // The owner of the page's message boxes: the host's window, or none.
    QWidget* BoxOwner() const { return host_ != nullptr ? host_->Window() : nullptr; }

    // Called by the sheet.
    virtual void OnSetActive() {}
    virtual void OnKillActive() {}
    // A menu command while the page is the current one; false when the page
    // has no use for it.
    virtual bool OnCommand(int /*command*/) { return false; }

    // Do the controls hold values that the machine has not been given, that
    // is, that differ from those last read from it or written to it?
    virtual bool HasUnsentChanges() { return false; }
    // Gives them to the machine as Apply or Write does; false when it did not
    // take them (the page has said so).
    virtual bool SendChanges() { return true; }

    // Settings files (File > Save Settings, Load Settings) hold the machine
    // records that pages show. Brings the page's record up to date for one:
    // reads it from the machine when it never has been (initialising the
    // page first), then takes in what the controls show. false when the
    // machine did not answer (the page has said so).
    virtual bool PrepareSettingsRecord() { return true; }
    // Shows the page's record as a loaded settings file left it: as changes
    // the machine has not been given yet.
    virtual void ShowLoadedSettings() {}

    // The page's controls that take the focus by Tab, in template order.
    QList<QWidget*> FocusControls() const;
    // The first of them that is shown and enabled, or nullptr.
    QWidget* FirstFocusControl() const;

    // Does the page's record stand for the machine's: read whole from it,
    // written to it, or loaded from a file by the user? Until then it holds
    // the program's defaults, which must reach neither the machine nor a
    // file.
    bool RecordRead() const { return recordRead_; }
    // The page calls it once a read or write went through or a file was
    // loaded into its record.
    void NoteRecordRead();

  protected:
    virtual void OnInitDialog();
    // Reads the page's record from the machine (Refresh).
    virtual void RefreshRecord() {}
    // The text that says why the page sends nothing yet and how to read.
    virtual QString UnreadText() const { return {}; }
    // The controls that send or save the record: grayed while it was never
    // read, with UnreadText() as their tool tip; the host's status line
    // says it too.
    virtual QList<int> SendControls() const { return {}; }
    virtual void ShowRecordState();
    // Whether the record may be sent or saved; when not, the status line
    // says why.
    bool MaySend();
    // For PrepareSettingsRecord: initialises the page, whose first action
    // reads the machine, or refreshes it while no read went through yet.
    // Whether the page's record has been read now.
    bool ReadRecordOnce();
    virtual void ExchangeValues(Exchange direction) { (void)direction; }

  private:
    const dlg::DialogTemplate* template_;
    PageTab tab_;
    PageHost* host_ = nullptr;
    bool initialised_ = false;
    int blocked_ = 0;
    int contentWidth_ = 0;
    bool recordRead_ = false;
};
