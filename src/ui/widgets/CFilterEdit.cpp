#include "widgets/CFilterEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include "base/qt_desktop.h"
#include "protocol/text_filter.h"

CFilterEdit::CFilterEdit(QWidget* parent) : QLineEdit(parent) {}

bool CFilterEdit::Accepts(int mode, unsigned c) {
    return text_filter::Accepts(mode, c);
}

bool CFilterEdit::FilterTyped(char32_t c) {
    if (c >= 0x80) {
        nonAsciiTyped = 1;
        return true;
    }
    nonAsciiTyped = 0;
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

void CFilterEdit::keyPressEvent(QKeyEvent* event) {
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
