#pragma once
// The program's own pictures, drawn at run time so that no image files need shipping and every size is
// sharp: the application icon (resource 128), the hand cursor (resource 143), and the warning and drive
// icons where the desktop's icon theme has none.

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QLabel>

namespace larkspan::resources {

// A sheet of paper with two arrows turning round each other.
QIcon ApplicationIcon();
// The same picture at any size, for the icon files that are installed with the program.
QImage ApplicationIconImage(int size);

// Shows the application icon in label at the label's pixel density, named for a screen reader, which
// would otherwise read an unnamed image.
void ShowApplicationIcon(QLabel& label);

// The icon theme's warning sign, else a drawn one; shown at 32 points.
QIcon WarningIcon();
// The icon theme's hard disk, else a drawn one: the tree's root folder, shown at 16 points.
QIcon DriveIcon();

// A pointing hand, its hot spot at the finger tip.
QCursor HandCursor();

}  // namespace larkspan::resources
