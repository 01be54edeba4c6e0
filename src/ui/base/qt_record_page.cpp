#include "base/qt_record_page.h"

#include <QPushButton>

#include "base/qt_not_responding.h"
#include "desktop/qt_desktop.h"
#include "model/lang_text.h"
#include "protocol/exchange.h"

namespace {

constexpr uint32_t kCommandPauseMs = 500;

} // namespace

CRecordPage::CRecordPage(const dlg::DialogTemplate& dialogTemplate, PageTab tab, int refreshId,
                         int applyId, QWidget* parent)
    : CPropertyPage(dialogTemplate, tab, parent), refreshId_(refreshId), applyId_(applyId) {}

QString CRecordPage::PageText(const char* key) const {
    return QString::fromUtf8(GetLangString(Tab().section, key));
}

QString CRecordPage::UnreadText() const {
    return PageText("NOT_READ");
}

void CRecordPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    SetUpControls();
    if (auto* refresh = Control<QPushButton>(refreshId_)) {
        connect(refresh, &QPushButton::clicked, this, [this] { OnRefresh(); });
    }
    if (auto* apply = Control<QPushButton>(applyId_)) {
        connect(apply, &QPushButton::clicked, this, [this] { OnApply(); });
    }
    OnRefresh();
    ShowRecordState();
}

void CRecordPage::OnRefresh() {
    bool ok = false;
    {
        const desktop::WaitCursorScope wait;
        ok = ReadRecord();
        PauseMs(kCommandPauseMs);
    }
    if (ok) {
        NoteRecordRead();
    } else {
        ShowNotResponding(BoxOwner());
        if (!ShowsRecordAfterFailedRead()) {
            return;
        }
    }
    ShowRecord();
}

void CRecordPage::ShowRecord() {
    ShowValues();
    if (IsInitialised()) {
        KeepSentValues();
    }
}

void CRecordPage::OnApply() {
    if (!MaySend()) {
        return;
    }
    StoreValues();
    bool ok = false;
    {
        const desktop::WaitCursorScope wait;
        ok = WriteRecord();
        PauseMs(kCommandPauseMs);
    }
    if (!ok) {
        ShowNotResponding(BoxOwner());
        return;
    }
    NoteRecordRead();
    if (IsInitialised()) {
        KeepSentValues();
    }
    if (PageHost* host = Host()) {
        host->ShowStatus(PageText("SENT"));
    }
}

bool CRecordPage::HasUnsentChanges() {
    return IsInitialised() && RecordRead() && ValuesChangedSinceSent();
}

bool CRecordPage::SendChanges() {
    if (!MaySend()) {
        return false;
    }
    FinishEditing();
    OnApply();
    return !HasUnsentChanges();
}
