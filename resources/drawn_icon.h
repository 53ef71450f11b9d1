#pragma once
// Icons drawn by a painter at the size and pixel density they are shown at, so that they stay sharp where a
// bitmap of one size would be scaled up (a screen at twice the scale).

#include <functional>

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace larkspan::resources {

// An icon whose picture draw paints on a 32 x 32 grid.
QIcon DrawnIcon(std::function<void(QPainter&)> draw);

// icon as size x size pixels of the widget's screen: a pixmap at that screen's pixel density.
QPixmap PixmapFor(const QIcon& icon, int size, const QWidget& widget);

}  // namespace larkspan::resources
