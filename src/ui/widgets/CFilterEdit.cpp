#include "widgets/CFilterEdit.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>

#include "desktop/qt_desktop.h"
#include "protocol/text_filter.h"

CFilterEdit::CFilterEdit(QWidget* parent) : QLineEdit(parent) {
    // A drop would go past the filter.
    setAcceptDrops(false);
}

bool CFilterEdit::Accepts(int mode, unsigned c) {
    return text_filter::Accepts(mode, c);
}

bool CFilterEdit::FilterTyped(char32_t c) {
    if (c >= 0x80) {
        nonAsciiTyped_ = true;
        return true;
    }
    nonAsciiTyped_ = false;
    if (Accepts(filterMode, static_cast<unsigned>(c))) {
        return true;
    }
    desktop::MessageBeep();
    return false;
}

namespace {

// The character a key press types, as the keyboard's character message would
// carry it: its text, or for Ctrl with a letter the control code.
QString TypedText(const QKeyEvent* event) {
    QString text = event->text();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int key = event->key();
    if (ctrl && key >= Qt::Key_A && key <= Qt::Key_Z) {
        return QString(QChar(static_cast<char16_t>(key - Qt::Key_A + 1)));
    }
    if (key == Qt::Key_Backspace) {
        return QString(QChar(char16_t(ctrl ? 0x7F : 0x08)));
    }
    return text;
}

} // namespace

void CFilterEdit::PasteFiltered(bool selection) {
    if (isReadOnly()) {
        return;
    }
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = clipboard->text(selection ? QClipboard::Selection : QClipboard::Clipboard);
    QString kept;
    bool refused = false;
    for (char32_t c : text.toUcs4()) {
        if (c == '\r' || c == '\n') {
            continue;
        }
        const bool accepted =
            c < 0x80 ? c != 0x08 && Accepts(filterMode, static_cast<unsigned>(c)) : filterMode == 0;
        if (accepted) {
            kept += QString::fromUcs4(&c, 1);
        } else {
            refused = true;
        }
    }
    nonAsciiTyped_ = false;
    if (refused) {
        desktop::MessageBeep();
    }
    if (!kept.isEmpty()) {
        insert(kept);
    }
}

void CFilterEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            disconnect(action, nullptr, this, nullptr);
            connect(action, &QAction::triggered, this, [this] { PasteFiltered(); });
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CFilterEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        PasteFiltered(true);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void CFilterEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        PasteFiltered();
        event->accept();
        return;
    }
    for (QKeySequence::StandardKey key :
         {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::SelectAll, QKeySequence::Undo,
          QKeySequence::Redo}) {
        if (event->matches(key)) {
            QLineEdit::keyPressEvent(event);
            return;
        }
    }
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Delete:
        // These type no character: the dialog's keys and Delete (X11 gives it
        // the text 0x7F, the platform's edit never sees it as a character).
        QLineEdit::keyPressEvent(event);
        return;
    default:
        break;
    }
    const QString text = TypedText(event);
    if (text.isEmpty()) {
        // No character: cursor keys, Delete, Home... reach the edit as they are.
        QLineEdit::keyPressEvent(event);
        return;
    }
    const auto chars = text.toUcs4();
    if (chars.size() == 1) {
        if (FilterTyped(chars[0])) {
            QLineEdit::keyPressEvent(event);
        } else {
            event->accept();
        }
        return;
    }
    // Several characters in one event: insert those that pass, one by one.
    for (char32_t c : chars) {
        if (FilterTyped(c)) {
            if (c == 0x08) {
                backspace();
            } else {
                insert(QString::fromUcs4(&c, 1));
            }
        }
    }
    event->accept();
}

void CFilterEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (commit.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QString kept;
    for (char32_t c : commit.toUcs4()) {
        if (FilterTyped(c)) {
            kept += QString::fromUcs4(&c, 1);
        }
    }
    if (kept == commit) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
    event->accept();
}
