#include "mainwindow/hyperlink_label.h"

#include <QMouseEvent>

#include "mainwindow/file_opener.h"
#include "mainwindow/web_page.h"
#include "resources/images.h"

namespace larkspan {

HyperlinkLabel::HyperlinkLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent),
      desktopOpener_(std::make_unique<DesktopFileOpener>()),
      opener_(desktopOpener_.get()) {}

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

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
    // A page that does not open is reported by OpenWebPage; the link itself shows nothing.
    OpenWebPage(url_.toStdString(), *opener_);
}

}  // namespace larkspan
