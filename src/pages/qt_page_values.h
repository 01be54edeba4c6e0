#pragma once
// Moving page values to and from their controls, shared by the pages.

class QCheckBox;
class QLineEdit;
class QString;

// Sets an edit's text only when it differs, so an unchanged field keeps its
// caret and selection.
void SetEditText(QLineEdit* edit, const QString& text);

// Check states: 0 clear, 1 ticked, 2 grayed. An out-of-range state is made 0.
void SetCheckState(QCheckBox* box, int& state);
// The box's state; previous when there is no box.
int CheckStateOf(QCheckBox* box, int previous);
