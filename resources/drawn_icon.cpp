#include "resources/drawn_icon.h"

#include <QIconEngine>

namespace larkspan::resources {
namespace {

class DrawnIconEngine final : public QIconEngine {
public:
    explicit DrawnIconEngine(std::function<void(QPainter&)> draw) : draw_(std::move(draw)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 32.0, rect.height() / 32.0);
        if (mode == QIcon::Disabled) painter->setOpacity(0.45);
        draw_(*painter);
        painter->restore();
    }

    // QIcon asks for the pixels it needs, the screen's density already applied.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return pixmap;
    }

    // Any size is drawn; these are offered to whoever must pick some, as a window manager does.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    }

    QIconEngine* clone() const override { return new DrawnIconEngine(draw_); }

private:
    std::function<void(QPainter&)> draw_;
};

}  // namespace

QIcon DrawnIcon(std::function<void(QPainter&)> draw) {
    return QIcon(new DrawnIconEngine(std::move(draw)));
}

QPixmap PixmapFor(const QIcon& icon, int size, const QWidget& widget) {
    return icon.pixmap(QSize(size, size), widget.devicePixelRatioF());
}

}  // namespace larkspan::resources
