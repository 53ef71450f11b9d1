#pragma once
// The window mode's messages: a modal message box with the application's title. Tests pre-answer it, so
// that no box waits for a click, and read back what would have been shown.

#include <deque>
#include <string>
#include <vector>

#include <QMessageBox>

#include "platform/message_box.h"

class QWidget;

namespace larkspan {

class QtMessageBox final : public MessageBox {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}

    void Show(std::string_view text) override;

    // The next box is not shown: it is answered at once with button. Answers queue up in order.
    void SetNextAnswer(QMessageBox::StandardButton button) { answers_.push_back(button); }
    // The texts of the boxes answered in advance, in order; the boxes really shown are not kept.
    const std::vector<std::string>& AnsweredTexts() const { return answered_; }

private:
    QWidget* parent_;
    std::deque<QMessageBox::StandardButton> answers_;
    std::vector<std::string> answered_;
};

}  // namespace larkspan
