#include "resources/images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "resources/drawn_icon.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

namespace larkspan::resources {

namespace {

void PaintApplicationIcon(QPainter& painter) {
    // The page, its top-right corner folded.
    QPainterPath page;
    page.moveTo(5, 2);
    page.lineTo(21, 2);
    page.lineTo(27, 8);
    page.lineTo(27, 30);
    page.lineTo(5, 30);
    page.closeSubpath();
    painter.setPen(QPen(QColor(0x2b, 0x4c, 0x7e), 1.5));
    painter.setBrush(QColor(0xfa, 0xfa, 0xf5));
    painter.drawPath(page);
    painter.setBrush(QColor(0xc8, 0xd3, 0xe6));
    painter.drawPolygon(QPolygonF{QPointF(21, 2), QPointF(21, 8), QPointF(27, 8)});

    // Two arrows, one each way: the conversion in both directions.
    QPen arrowPen(QColor(0x7b, 0x3f, 0xa0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(arrowPen);
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(QPointF(9, 14), QPointF(22, 14));
    painter.drawPolyline(QPolygonF{QPointF(18, 10.5), QPointF(22, 14), QPointF(18, 17.5)});
    painter.drawLine(QPointF(23, 23), QPointF(10, 23));
    painter.drawPolyline(QPolygonF{QPointF(14, 19.5), QPointF(10, 23), QPointF(14, 26.5)});
}

// A yellow triangle with an exclamation mark.
void PaintWarning(QPainter& painter) {
    QPainterPath triangle;
    triangle.moveTo(16, 2.5);
    triangle.lineTo(30, 28.5);
    triangle.lineTo(2, 28.5);
    triangle.closeSubpath();
    painter.setPen(QPen(QColor(0x8a, 0x5a, 0x00), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0xf6, 0xc3, 0x2c));
    painter.drawPath(triangle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2e, 0x2e, 0x2e));
    painter.drawRoundedRect(QRectF(14.5, 10, 3, 11), 1.5, 1.5);
    painter.drawEllipse(QRectF(14.5, 22.5, 3, 3));
}

// The front of a hard disk: a grey case, a slot and a green light.
void PaintDrive(QPainter& painter) {
    painter.setPen(QPen(QColor(0x4a, 0x4f, 0x57), 1.5));
    painter.setBrush(QColor(0xd5, 0xd9, 0xde));
    painter.drawRoundedRect(QRectF(2.5, 9.5, 27, 13), 2.5, 2.5);
    painter.setPen(QPen(QColor(0x7a, 0x80, 0x88), 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(6, 18), QPointF(18, 18));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2f, 0xa8, 0x4f));
    painter.drawEllipse(QRectF(23, 15.5, 3.5, 3.5));
}

// The theme's icon of that name, to match the desktop's other windows, where the theme has it drawn at the
// size it is shown at and at twice that; a bitmap of another size comes out too small or blurred.
QIcon ThemeOrDrawn(const QString& name, int points, void (*paint)(QPainter&)) {
    const QIcon theme = QIcon::fromTheme(name);
    const QList<QSize> sizes = theme.availableSizes();
    if (sizes.contains(QSize(points, points)) && sizes.contains(QSize(2 * points, 2 * points))) return theme;
    return DrawnIcon(paint);
}

}  // namespace

QImage ApplicationIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    PaintApplicationIcon(painter);
    painter.end();
    return image;
}

QIcon ApplicationIcon() {
    return DrawnIcon(PaintApplicationIcon);
}

void ShowApplicationIcon(QLabel& label) {
    label.setPixmap(PixmapFor(ApplicationIcon(), 32, label));
    const std::string_view name = LoadString(ids::kStrAppTitle);
    label.setAccessibleName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

QIcon WarningIcon() {
    return ThemeOrDrawn(QStringLiteral("dialog-warning"), 32, PaintWarning);
}

QIcon DriveIcon() {
    return ThemeOrDrawn(QStringLiteral("drive-harddisk"), 16, PaintDrive);
}

QCursor HandCursor() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    // Index finger up from a closed fist; the finger tip is the hot spot.
    QPainterPath hand;
    hand.addRoundedRect(QRectF(8, 1, 5, 17), 2.5, 2.5);   // index finger
    hand.addRoundedRect(QRectF(12.5, 10, 4.5, 9), 2, 2);  // middle finger
    hand.addRoundedRect(QRectF(16.5, 11, 4.5, 8), 2, 2);  // ring finger
    hand.addRoundedRect(QRectF(20.5, 12, 4, 8), 2, 2);    // little finger
    hand.addRoundedRect(QRectF(3, 13, 7, 4), 2, 2);       // thumb
    hand.addRoundedRect(QRectF(6, 15, 18.5, 12), 4, 4);   // palm
    hand = hand.simplified();
    painter.setPen(QPen(Qt::black, 1.2));
    painter.setBrush(Qt::white);
    painter.drawPath(hand);
    painter.end();
    return QCursor(pixmap, 10, 1);
}

}  // namespace larkspan::resources
