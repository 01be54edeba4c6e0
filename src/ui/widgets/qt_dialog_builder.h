#pragma once
// Turns a dialog template (resources/dialog_template.h) into Qt widgets and
// finds them again by id.
//
// Dialog units become pixels through the dialog font, the desktop's default
// user-interface font (QApplication::font()): horizontal units are a quarter
// of the font's average character width, vertical units an eighth of its
// character height (rounded like MulDiv). All geometry follows that font.
//
//   dlg::BuildDialog(this, infoTemplate);                // children + fixed size
//   auto* refresh = dlg::FindControl<QPushButton>(this, 1060);
//   dlg::SetControlText(this, 1130, GetLangString("INFO", "IDL_FW_VERSION"));

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include "templates/dialog_template.h"

class QButtonGroup;

namespace dlg {

// Base units of a font: average character width and character height in pixels.
struct DialogUnits {
    int baseX = 0;
    int baseY = 0;

    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    QRect toPixels(int x, int y, int cx, int cy) const;
    QSize toPixels(int cx, int cy) const { return toPixels(0, 0, cx, cy).size(); }
};

// The dialog font: the desktop's default user-interface font.
QFont DialogFont();
// Base units of a font (the dialog font when none is given).
DialogUnits DialogUnitsOf(const QFont& font);
DialogUnits DialogUnitsOf();
// Pixel size of a template's client area with the dialog font.
QSize DialogSize(const DialogTemplate& t);

// Creates one widget per row as a child of parent, in table order, at its
// position, with its text, styles and initial items, and gives parent the
// template's size (fixed). Every control carries its id (ControlId) and its
// row's kind. A control without a caption of its own (field, list, arrows,
// picker, bar, value) takes its accessible name from its label: the nearest
// caption to its left on its line, else above it, within its group box, else
// that box's title; SetControlText on the label renames it. Drop-down lists get their natural
// closed height; the row's cy sets how many items the open list shows. Returns the number of
// controls.
int BuildDialog(QWidget* parent, const DialogTemplate& t);

// Creates the widget of a single row (without placing it), for code that
// builds a control on its own.
QWidget* CreateControl(QWidget* parent, const ControlTemplate& row, const DialogUnits& units);

// The id a control was built with, or -1 for a widget the builder did not make.
int ControlId(const QWidget* control);

// The first control with that id among parent's descendants, or nullptr.
QWidget* FindControlWidget(const QWidget* parent, int id);

template <class T> T* FindControl(const QWidget* parent, int id) {
    return qobject_cast<T*>(FindControlWidget(parent, id));
}

// The exclusive group of a radio button built from a template, or nullptr.
QButtonGroup* RadioGroupOf(const QWidget* radioButton);

// Sets the window text of the control with that id: label, button, check box,
// radio button, group box title, edit text. Does nothing when there is none.
// Returns whether a control was found.
bool SetControlText(const QWidget* parent, int id, const QString& text);
// The window text of a control; empty when there is none.
QString ControlText(const QWidget* parent, int id);

} // namespace dlg
