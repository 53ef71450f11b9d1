#pragma once
// A text that is a link: drawn in the link colour (the theme's on a dark background) and always underlined,
// sized to its text, with the hand cursor and a tooltip that shows the text; a click opens its address. It is
// reached with Tab after the dialog's own controls, opens with Enter or Space, and is a link to a screen
// reader, whose "press" opens it too.

#include <memory>

#include <QColor>
#include <QLabel>

namespace larkspan {

class FileOpener;

class HyperlinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit HyperlinkLabel(const QString& text, QWidget* parent = nullptr);
    ~HyperlinkLabel() override;

    // The address a click opens.
    void SetURL(const QString& url) { url_ = url; }
    const QString& URL() const { return url_; }
    const QString& ShownText() const { return shownText_; }
    // The link's colour on a light background.
    const QColor& LinkColour() const { return linkColour_; }
    // Where the address goes; nullptr goes back to the desktop's opener. Not owned.
    void SetOpener(FileOpener* opener);

    // Readies the control once it has its place in the dialog: the shown text (the control's text when none
    // was set), the link's look, the size of its text, the cursor and the tooltip.
    void PreSubclassWindow();
    // Sizes the control to its text, keeping the edge or the middle that its alignment holds on to.
    void FitToText();
    // Opens the address, as a click does.
    void Activate();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString url_;
    QColor linkColour_{0, 0, 238};
    QString shownText_;
    std::unique_ptr<FileOpener> desktopOpener_;
    FileOpener* opener_;
};

}  // namespace larkspan
