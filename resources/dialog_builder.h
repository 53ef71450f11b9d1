#pragma once
// Builds a dialog's widgets from its template: each control at its pixel rectangle, carrying its id, with
// the template's order as the tab order. Dialog code then finds its controls by id.

#include <functional>

#include <QFont>
#include <QWidget>

#include "resources/dialog_template.h"
#include "resources/menu_template.h"

class QDialog;
class QMenu;

namespace larkspan::resources {

// Makes the widget of one control when a dialog wants its own class for it (the main window's folder tree
// and file list); returning nullptr takes the standard widget of the control's kind.
using ControlFactory = std::function<QWidget*(const ControlTemplate&, QWidget* parent)>;

// Creates the template's controls on dialog, sets its caption, client size, font and window decorations.
void BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate, const ControlFactory& factory = {});

// The id a built control carries; kStatic (-1) for widgets that came from no template.
int ControlId(const QWidget& control);

// The first control of parent with that id, or nullptr.
QWidget* FindControl(const QWidget& parent, int id);

template <class T>
T* Control(const QWidget& parent, int id) {
    return qobject_cast<T*>(FindControl(parent, id));
}

// Appends the items of a menu template to menu; each action's data() holds its command id.
void AppendMenuItems(QMenu& menu, const MenuTemplate& menuTemplate);

// The font the dialogs use: the desktop's (the application font, which Qt takes from the platform theme),
// at least the templates' 8 pt so that Qt's bare default stays readable.
QFont DialogFont();

// The base units of font, measured as the dialog manager does (the average width of the letters and the
// line height), scaled against the 8 pt font on a 96 dpi screen so that that font gives exactly 6 and 13.
BaseUnits MeasureBaseUnits(const QFont& font);

// The base units a built dialog was laid out with; the 8 pt ones for any other widget.
BaseUnits DialogBaseUnits(const QWidget& dialog);

// A rectangle of the template converted to pixels with dialog's base units, for controls that a dialog adds
// at run time.
QRect ToPixels(const QWidget& dialog, DialogRect rect);

// A distance of the layout rules, written in pixels for the 8 pt base units, at dialog's base units.
int ScaleX(const QWidget& dialog, int pixels);
int ScaleY(const QWidget& dialog, int pixels);

}  // namespace larkspan::resources
