#pragma once
// A single-line edit that refuses typed characters outside the set of its
// filterMode (0..7) with the simple beep (desktop::MessageBeep).
//
//   mode 0: everything           mode 4: 0-9
//   mode 1: 0-9 blank +          mode 5: 0-9 blank +
//   mode 2: A-Z a-z 0-9 blank # & ' * + , - . /
//   mode 3: A-Z blank +          mode 6: 0-9 # * P p
//                                mode 7: 0-9 blank + -
// Backspace passes in every mode; any other mode value refuses every
// character below 0x80. Characters of 0x80 and above always pass and the
// edit notes it (NonAsciiTyped()) until the next character below 0x80 is
// typed into it or text is pasted; its owner undoes them. Typed characters are filtered (key
// presses and input-method commits), and so is pasted text (the paste keys, the context menu, the
// middle button): of a paste only what the mode accepts below 0x80 goes in,
// with one beep when anything was left out; line breaks go quietly. Text set
// by the program is not filtered. The copy, cut, select-all, undo and redo
// keys work as in any edit; other control characters that key combinations
// produce are refused in modes 1 to 7 like any other character. Nothing can
// be dropped in. Tab, Return, Enter and Escape stay with the dialog.

#include <QLineEdit>

class CFilterEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit CFilterEdit(QWidget* parent = nullptr);

    int filterMode = 0;

    // Would the filter of `mode` accept character code c (below 0x80)?
    static bool Accepts(int mode, unsigned c);

    // Pastes the clipboard's text (or the selection's) through the filter.
    void PasteFiltered(bool selection = false);

    // Was the last character typed into this edit 0x80 or above?
    bool NonAsciiTyped() const { return nonAsciiTyped_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // Applies the filter to one typed character; true when it may be inserted.
    bool FilterTyped(char32_t c);

    bool nonAsciiTyped_ = false;
};
