#pragma once
// The program's own pictures, drawn at run time so that no image files need shipping: the application
// icon (resource 128) and the hand cursor (resource 143).

#include <QCursor>
#include <QIcon>
#include <QImage>

namespace larkspan::resources {

// A sheet of paper with two arrows turning round each other; 16, 32 and 48 pixels.
QIcon ApplicationIcon();
// The same picture at any size, for the icon files that are installed with the program.
QImage ApplicationIconImage(int size);

// A pointing hand, its hot spot at the finger tip.
QCursor HandCursor();

}  // namespace larkspan::resources
