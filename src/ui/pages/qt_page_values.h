#pragma once
// Moving page values to and from their controls, shared by the pages. A
// missing control leaves its value as it is.

#include "base/qt_property_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QString;

// An edit's text. Set only when it differs, so an unchanged field keeps its
// caret and selection.
void ExchangeText(QLineEdit* edit, QString& text, Exchange direction);
// A list position; a position the list lacks leaves it without a selection.
void ExchangeListPosition(QComboBox* combo, int& position, Exchange direction);
// A check state: 0 clear, 1 ticked, 2 grayed; an out-of-range state becomes 0.
void ExchangeCheckState(QCheckBox* box, int& state, Exchange direction);
