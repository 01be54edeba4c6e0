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
// character below 0x80. Characters of 0x80 and above always pass and set
// nonAsciiTyped to 1; any character below 0x80 typed into a CFilterEdit sets
// it to 0. Only typed characters are filtered (key presses and input-method
// commits), never text set by the program or pasted from the context menu.
// Control characters that key combinations produce (Ctrl+V is 0x16) are
// refused in modes 1 to 7 like any other character, so those shortcuts beep.
// Tab, Return, Enter and Escape stay with the dialog.

#include <QLineEdit>

// Process-wide: was the last character typed into any CFilterEdit 0x80 or above?
extern int& nonAsciiTyped;

class CFilterEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit CFilterEdit(QWidget* parent = nullptr);

    int filterMode = 0;

    // Would the filter of `mode` accept character code c (below 0x80)?
    static bool Accepts(int mode, unsigned c);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

  private:
    // Applies the filter to one typed character; true when it may be inserted.
    bool FilterTyped(char32_t c);
};
