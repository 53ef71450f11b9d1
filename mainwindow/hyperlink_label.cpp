#include "mainwindow/hyperlink_label.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "mainwindow/file_opener.h"
#include "mainwindow/web_page.h"
#include "resources/images.h"

namespace larkspan {
namespace {

// A screen reader's view of the link: a link named by its text, which "press" opens.
class LinkAccessible final : public QAccessibleWidget {
public:
    explicit LinkAccessible(HyperlinkLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) return static_cast<HyperlinkLabel*>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction()) static_cast<HyperlinkLabel*>(widget())->Activate();
    }
};

QAccessibleInterface* LinkFactory(const QString& className, QObject* object) {
    if (className != QLatin1String(HyperlinkLabel::staticMetaObject.className())) return nullptr;
    auto* link = qobject_cast<HyperlinkLabel*>(object);
    return link ? new LinkAccessible(link) : nullptr;
}

}  // namespace

HyperlinkLabel::HyperlinkLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent),
      desktopOpener_(std::make_unique<DesktopFileOpener>()),
      opener_(desktopOpener_.get()) {
    static const bool installed = [] {
        QAccessible::installFactory(LinkFactory);
        return true;
    }();
    (void)installed;
}

HyperlinkLabel::~HyperlinkLabel() = default;

void HyperlinkLabel::SetOpener(FileOpener* opener) {
    opener_ = opener ? opener : desktopOpener_.get();
}

void HyperlinkLabel::PreSubclassWindow() {
    if (shownText_.isEmpty()) shownText_ = text();
    if (text().isEmpty()) setText(shownText_);
    // A link is plain text in its own colour, underlined whether or not it was visited, on the dialog's
    // background.
    setTextFormat(Qt::PlainText);
    QPalette colours = palette();
    // The classic blue is nearly unreadable on a dark background: there the theme's own link colour,
    // which is made for it.
    const bool dark = colours.color(QPalette::Window).lightness() < 128;
    colours.setColor(QPalette::WindowText, dark ? colours.color(QPalette::Link) : linkColour_);
    setPalette(colours);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setAutoFillBackground(false);
    FitToText();
    setCursor(resources::HandCursor());
    setToolTip(shownText_);
    // Reached with Tab after the dialog's own controls; a click opens the page rather than taking focus.
    setFocusPolicy(Qt::TabFocus);
}

void HyperlinkLabel::FitToText() {
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text());
    const int textHeight = metrics.height();
    QRect rect = geometry();
    // Halves truncate towards zero, so a text larger than the control grows it by the same on each side.
    if (alignment() & Qt::AlignVCenter) {
        const int shrink = (rect.height() - textHeight) / 2;
        rect.adjust(0, shrink, 0, -shrink);
    } else {
        rect.setHeight(textHeight);
    }
    if (alignment() & Qt::AlignHCenter) {
        const int shrink = (rect.width() - textWidth) / 2;
        rect.adjust(shrink, 0, -shrink, 0);
    } else if (alignment() & Qt::AlignRight) {
        rect.setLeft(rect.left() + rect.width() - textWidth);
    } else {
        rect.setWidth(textWidth);
    }
    setGeometry(rect);
}

void HyperlinkLabel::Activate() {
    // A page that does not open is reported by OpenWebPage; the link itself shows nothing.
    OpenWebPage(url_.toStdString(), *opener_);
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
    Activate();
}

void HyperlinkLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            // Taken here, so that Enter opens the page rather than pressing the dialog's default button.
            event->accept();
            Activate();
            return;
        default:
            QLabel::keyPressEvent(event);
    }
}

void HyperlinkLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QStylePainter painter(this);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
}

}  // namespace larkspan
