#pragma once
// The About box (template 100): the icon, the program's home page as a link, and OK.

#include <QDialog>

namespace larkspan {

class FileOpener;
class HyperlinkLabel;

class AboutBox : public QDialog {
    Q_OBJECT
public:
    // The link opens pages through opener (nullptr: the desktop's); parent is the window it belongs to.
    explicit AboutBox(FileOpener* opener = nullptr, QWidget* parent = nullptr);

    HyperlinkLabel& Link() const { return *link_; }

private:
    bool OnInitDialog();

    HyperlinkLabel* link_ = nullptr;
};

}  // namespace larkspan
