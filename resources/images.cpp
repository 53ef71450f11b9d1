#include "resources/images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace larkspan::resources {

// Drawn on a 32 x 32 grid and scaled to the asked size.
QImage ApplicationIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

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
    painter.end();
    return image;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) icon.addPixmap(QPixmap::fromImage(ApplicationIconImage(size)));
    return icon;
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
