#pragma once
// Builds a dialog's widgets from its template: each control at its pixel rectangle, carrying its id, with
// the template's order as the tab order. Dialog code then finds its controls by id.

#include <functional>

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

// A rectangle of the template converted to pixels, for controls that a dialog adds at run time.
QRect ToPixels(DialogRect rect);

}  // namespace larkspan::resources
