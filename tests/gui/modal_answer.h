#pragma once
// Answering a modal dialog or a popup menu that a test's next call opens and waits on. The answer runs as
// soon as a widget of the asked type is the active modal or popup widget; when none comes within the
// time-out, whatever modal or popup widget is open is closed, so that the test fails instead of hanging.

#include <functional>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace larkspan::test {

template <class Widget>
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(Widget&)> answer, int timeoutMs = 120000)
        : answer_(std::move(answer)), timer_(new QTimer) {
        clock_.start();
        timer_->setInterval(5);
        QObject::connect(timer_, &QTimer::timeout, timer_, [this, timeoutMs] { Poll(timeoutMs); });
        timer_->start();
    }
    ~ModalAnswer() { delete timer_.data(); }
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    // Whether the answer ran.
    bool answered() const { return answered_; }

private:
    void Poll(int timeoutMs) {
        QWidget* active = QApplication::activePopupWidget();
        if (!active) active = QApplication::activeModalWidget();
        if (auto* widget = qobject_cast<Widget*>(active); widget && widget->isVisible()) {
            timer_->stop();
            answered_ = true;
            answer_(*widget);
            return;
        }
        if (clock_.elapsed() > timeoutMs) {
            timer_->stop();
            if (active) active->close();
        }
    }

    std::function<void(Widget&)> answer_;
    QPointer<QTimer> timer_;
    QElapsedTimer clock_;
    bool answered_ = false;
};

}  // namespace larkspan::test
