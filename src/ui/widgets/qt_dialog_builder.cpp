#include "widgets/qt_dialog_builder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTimeEdit>
#include <QTreeWidget>
#include <cmath>
#include <vector>

#include "widgets/CFilterEdit.h"
#include "widgets/CIconButton.h"
#include "widgets/CStepArrows.h"

namespace dlg {

namespace {

const char* const kIdProperty = "faxrcpControlId";
const char* const kGroupProperty = "faxrcpRadioGroup";
const char* const kLabelProperty = "faxrcpLabel";

// A control that shows no caption of its own: its name is a label's.
bool NeedsLabel(const ControlTemplate& row) {
    switch (row.kind) {
    case Kind::Edit:
    case Kind::FilterEdit:
    case Kind::DropDownList:
    case Kind::ListView:
    case Kind::ScrollArrows:
    case Kind::DatePicker:
    case Kind::TimePicker:
    case Kind::ProgressBar:
    case Kind::Picture:
        return true;
    case Kind::StaticText:
        return (row.style & kSunken) != 0; // a value field
    default:
        return false;
    }
}

bool Inside(const ControlTemplate& inner, const ControlTemplate& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.cx <= outer.x + outer.cx &&
           inner.y + inner.cy <= outer.y + outer.cy;
}

// The smallest group box around a row, or -1.
int EnclosingBox(const DialogTemplate& t, size_t row) {
    int best = -1;
    for (size_t i = 0; i < t.controls.size(); ++i) {
        const ControlTemplate& box = t.controls[i];
        if (i != row && box.kind == Kind::GroupBox && Inside(t.controls[row], box) &&
            (best < 0 || Inside(box, t.controls[static_cast<size_t>(best)]))) {
            best = static_cast<int>(i);
        }
    }
    return best;
}

// The label that names a row: the nearest caption to its left on its line,
// else the nearest above it, within the same group box; else that box.
int LabelRow(const DialogTemplate& t, size_t row) {
    const ControlTemplate& r = t.controls[row];
    const int box = EnclosingBox(t, row);
    int left = -1;
    int above = -1;
    for (size_t i = 0; i < t.controls.size(); ++i) {
        const ControlTemplate& l = t.controls[i];
        if (i == row || l.kind != Kind::StaticText || (l.style & kSunken) || l.text.empty() ||
            ((l.style & kHidden) && !(r.style & kHidden)) || EnclosingBox(t, i) != box) {
            continue;
        }
        const bool sameLine = l.y < r.y + r.cy && l.y + l.cy > r.y;
        const bool overlapsAcross = l.x < r.x + r.cx && l.x + l.cx > r.x;
        if (sameLine && l.x + l.cx <= r.x + 2 &&
            (left < 0 || l.x + l.cx > t.controls[static_cast<size_t>(left)].x +
                                          t.controls[static_cast<size_t>(left)].cx)) {
            left = static_cast<int>(i);
        } else if (!sameLine && overlapsAcross && l.y + l.cy <= r.y + 2 &&
                   (above < 0 || l.y > t.controls[static_cast<size_t>(above)].y)) {
            above = static_cast<int>(i);
        }
    }
    return left >= 0 ? left : above >= 0 ? above : box;
}

// "&Discard size:" -> "Discard size".
QString NameOfCaption(QString text) {
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    while (text.endsWith(QLatin1Char(':'))) {
        text.chop(1);
        text = text.trimmed();
    }
    return text;
}

QString CaptionOf(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        return label->text();
    }
    if (auto* box = qobject_cast<const QGroupBox*>(w)) {
        return box->title();
    }
    return {};
}

// Gives the controls named by this label its caption as their name.
void RenameFollowers(const QWidget* label) {
    if (label == nullptr || label->parentWidget() == nullptr) {
        return;
    }
    const QString name = NameOfCaption(CaptionOf(label));
    for (QWidget* w : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->property(kLabelProperty).value<QObject*>() == label) {
            w->setAccessibleName(name);
        }
    }
}

// a * b / c rounded half away from zero, as the platform's MulDiv.
int MulDiv(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

// Typed letters become capitals; what the validator gives back is inserted.
class UppercaseValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

Qt::Alignment TextAlignment(uint32_t style) {
    Qt::Alignment h = Qt::AlignLeft;
    if (style & kAlignRight) {
        h = Qt::AlignRight;
    } else if (style & kAlignCenter) {
        h = Qt::AlignHCenter;
    }
    return h | Qt::AlignTop;
}

void SetUpEdit(QLineEdit* edit, uint32_t style) {
    if (style & kNumber) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    } else if (style & kUppercase) {
        edit->setValidator(new UppercaseValidator(edit));
    }
    edit->setReadOnly(style & kReadOnly);
    edit->setFrame(true);
}

} // namespace

int DialogUnits::toPixelsX(int units) const {
    return MulDiv(units, baseX, 4);
}
int DialogUnits::toPixelsY(int units) const {
    return MulDiv(units, baseY, 8);
}
QRect DialogUnits::toPixels(int x, int y, int cx, int cy) const {
    return QRect(toPixelsX(x), toPixelsY(y), toPixelsX(cx), toPixelsY(cy));
}

QFont DialogFont() {
    return QApplication::font();
}

DialogUnits DialogUnitsOf(const QFont& font) {
    // The average width of the 52 letters, as the platform's dialogs measure it.
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits u;
    u.baseX = (letters / 26 + 1) / 2;
    u.baseY = fm.height();
    return u;
}

DialogUnits DialogUnitsOf() {
    return DialogUnitsOf(DialogFont());
}

QSize DialogSize(const DialogTemplate& t) {
    return DialogUnitsOf().toPixels(t.cx, t.cy);
}

QWidget* CreateControl(QWidget* parent, const ControlTemplate& row, const DialogUnits& units) {
    const QString text = QString::fromUtf8(row.text.data(), static_cast<int>(row.text.size()));
    QWidget* w = nullptr;
    switch (row.kind) {
    case Kind::StaticText: {
        auto* label = new QLabel(text, parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(TextAlignment(row.style));
        label->setWordWrap(!(row.style & kNoWrap));
        if (row.style & kSunken) {
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setLineWidth(1);
        }
        w = label;
        break;
    }
    case Kind::Picture: {
        auto* label = new QLabel(parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        w = label;
        break;
    }
    case Kind::PushButton:
    case Kind::DefPushButton: {
        auto* b = new QPushButton(text, parent);
        b->setAutoDefault(false);
        b->setDefault(row.kind == Kind::DefPushButton || (row.style & kDefault));
        w = b;
        break;
    }
    case Kind::IconButton: {
        auto* b = new CIconButton(text, parent);
        b->setAutoDefault(false);
        b->setDefault(row.style & kDefault);
        w = b;
        break;
    }
    case Kind::CheckBox:
        w = new QCheckBox(text, parent);
        break;
    case Kind::RadioButton: {
        auto* r = new QRadioButton(text, parent);
        r->setAutoExclusive(false);
        w = r;
        break;
    }
    case Kind::GroupBox:
        w = new QGroupBox(text, parent);
        w->setFocusPolicy(Qt::NoFocus);
        break;
    case Kind::Edit: {
        auto* e = new QLineEdit(text, parent);
        SetUpEdit(e, row.style);
        w = e;
        break;
    }
    case Kind::FilterEdit: {
        auto* e = new CFilterEdit(parent);
        e->setText(text);
        SetUpEdit(e, row.style);
        w = e;
        break;
    }
    case Kind::DropDownList: {
        auto* c = new QComboBox(parent);
        for (const auto& item : row.items) {
            c->addItem(QString::fromUtf8(item.data(), static_cast<int>(item.size())));
        }
        c->setCurrentIndex(-1);
        w = c;
        break;
    }
    case Kind::ListView: {
        auto* t = new QTreeWidget(parent);
        t->setRootIsDecorated(false);
        t->setItemsExpandable(false);
        t->setUniformRowHeights(true);
        t->setAllColumnsShowFocus(true);
        t->setSortingEnabled(false);
        t->setSelectionBehavior(QAbstractItemView::SelectRows);
        t->setSelectionMode((row.style & kSingleSel) ? QAbstractItemView::SingleSelection
                                                     : QAbstractItemView::ExtendedSelection);
        t->header()->setSectionsClickable(!(row.style & kNoSortHeader));
        t->header()->setSectionsMovable(false);
        t->header()->setStretchLastSection(false);
        if (!(row.style & kBorder)) {
            t->setFrameShape(QFrame::NoFrame);
        }
        w = t;
        break;
    }
    case Kind::ScrollArrows: {
        auto* s = new CStepArrows(parent);
        s->setRange(0, 100);
        s->setValue(50);
        s->setSingleStep(1);
        s->setPageStep(10);
        w = s;
        break;
    }
    case Kind::DatePicker: {
        auto* d = new QDateEdit(parent);
        d->setCalendarPopup(true);
        d->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
        w = d;
        break;
    }
    case Kind::TimePicker: {
        auto* t = new QTimeEdit(parent);
        t->setDisplayFormat(QStringLiteral("hh:mm AP"));
        w = t;
        break;
    }
    case Kind::ProgressBar: {
        auto* p = new QProgressBar(parent);
        p->setRange(0, 100);
        p->setValue(0);
        p->setTextVisible(false);
        w = p;
        break;
    }
    }

    w->setProperty(kIdProperty, row.id);
    w->setObjectName(QStringLiteral("control%1").arg(row.id));

    QRect r = units.toPixels(row.x, row.y, row.cx, row.cy);
    if (row.kind == Kind::DropDownList) {
        // The row's height includes the open list; the closed box is as tall
        // as the font makes it.
        auto* c = static_cast<QComboBox*>(w);
        const int closed = c->sizeHint().height();
        const int itemHeight = std::max(1, QFontMetrics(c->font()).height() + 2);
        c->setMaxVisibleItems(std::max(1, (r.height() - closed) / itemHeight));
        r.setHeight(closed);
    }
    w->setGeometry(r);
    if (row.style & kDisabled) {
        w->setEnabled(false);
    }
    if (row.style & kHidden) {
        w->hide();
    } else {
        w->show();
    }
    return w;
}

int BuildDialog(QWidget* parent, const DialogTemplate& t) {
    const DialogUnits units = DialogUnitsOf();
    parent->setFixedSize(units.toPixels(t.cx, t.cy));
    QButtonGroup* group = nullptr;
    bool previousWasRadio = false;
    int count = 0;
    std::vector<QWidget*> made;
    for (const auto& row : t.controls) {
        QWidget* w = CreateControl(parent, row, units);
        made.push_back(w);
        ++count;
        if (row.kind == Kind::RadioButton) {
            if (group == nullptr || !previousWasRadio || (row.style & kGroup)) {
                group = new QButtonGroup(parent);
                group->setExclusive(true);
            }
            group->addButton(static_cast<QRadioButton*>(w), row.id);
            w->setProperty(kGroupProperty, QVariant::fromValue<QObject*>(group));
            previousWasRadio = true;
        } else {
            previousWasRadio = false;
        }
    }
    // Controls without a caption of their own are named after their label,
    // now and whenever the label's text is set.
    for (size_t i = 0; i < t.controls.size(); ++i) {
        if (!NeedsLabel(t.controls[i])) {
            continue;
        }
        const int label = LabelRow(t, i);
        if (label >= 0) {
            QWidget* labelWidget = made[static_cast<size_t>(label)];
            made[i]->setProperty(kLabelProperty, QVariant::fromValue<QObject*>(labelWidget));
            made[i]->setAccessibleName(NameOfCaption(CaptionOf(labelWidget)));
        }
    }
    return count;
}

int ControlId(const QWidget* control) {
    if (control == nullptr) {
        return -1;
    }
    const QVariant v = control->property(kIdProperty);
    return v.isValid() ? v.toInt() : -1;
}

QWidget* FindControlWidget(const QWidget* parent, int id) {
    if (parent == nullptr) {
        return nullptr;
    }
    const auto children = parent->findChildren<QWidget*>();
    for (QWidget* w : children) {
        if (ControlId(w) == id) {
            return w;
        }
    }
    return nullptr;
}

QButtonGroup* RadioGroupOf(const QWidget* radioButton) {
    if (radioButton == nullptr) {
        return nullptr;
    }
    return qobject_cast<QButtonGroup*>(radioButton->property(kGroupProperty).value<QObject*>());
}

bool SetControlText(const QWidget* parent, int id, const QString& text) {
    QWidget* w = FindControlWidget(parent, id);
    if (w == nullptr) {
        return false;
    }
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(text);
        RenameFollowers(label);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(text);
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        box->setTitle(text);
        RenameFollowers(box);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(text);
    } else {
        w->setWindowTitle(text);
    }
    return true;
}

QString ControlText(const QWidget* parent, int id) {
    QWidget* w = FindControlWidget(parent, id);
    if (w == nullptr) {
        return {};
    }
    if (auto* label = qobject_cast<QLabel*>(w)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        return button->text();
    }
    if (auto* box = qobject_cast<QGroupBox*>(w)) {
        return box->title();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        return edit->text();
    }
    return w->windowTitle();
}

} // namespace dlg
