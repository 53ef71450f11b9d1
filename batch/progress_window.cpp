#include "batch/progress_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

#include "batch/conversion_worker.h"
#include "batch/existing_file_prompt.h"
#include "batch/gui_thread_call.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "resources/dialog_builder.h"
#include "resources/images.h"
#include "resources/resource_ids.h"

namespace larkspan {
namespace {

const QString kStatusText = QStringLiteral("Converting File(s). Please wait");
const QString kCompletedText = QStringLiteral("Conversion is completed.");
const QString kDetailClosed = QStringLiteral("Detail >>");
const QString kDetailOpen = QStringLiteral("<< Detail");
const QString kStop = QStringLiteral("Stop");
const QString kExit = QStringLiteral("Exit");

// The question, asked with the prompt on the window's thread.
class PromptQuestion final : public ExistingFileQuestion {
public:
    PromptQuestion(QWidget& window, std::stop_token stop) : window_(window), stop_(std::move(stop)) {}
    std::optional<ExistingFileAnswer> Ask(const std::string& message) override {
        QWidget* window = &window_;
        auto answer = CallOnGuiThread<std::optional<ExistingFileAnswer>>(
            window_,
            [window, message]() -> std::optional<ExistingFileAnswer> {
                ExistingFilePrompt prompt(window);
                prompt.m_strMessage = message;
                if (prompt.exec() != QDialog::Accepted) return std::nullopt;
                return ExistingFileAnswer{prompt.m_bRenameChosen, prompt.m_bSaveForTask};
            },
            stop_);
        return answer.value_or(std::nullopt);
    }

private:
    QWidget& window_;
    std::stop_token stop_;
};

// A question answered by someone else, still asked from the window's thread as the prompt would be.
class ForwardedQuestion final : public ExistingFileQuestion {
public:
    ForwardedQuestion(QObject& window, ExistingFileQuestion& question, std::stop_token stop)
        : window_(window), question_(question), stop_(std::move(stop)) {}
    std::optional<ExistingFileAnswer> Ask(const std::string& message) override {
        ExistingFileQuestion* question = &question_;
        auto answer = CallOnGuiThread<std::optional<ExistingFileAnswer>>(
            window_, [question, message] { return question->Ask(message); }, stop_);
        return answer.value_or(std::nullopt);
    }

private:
    QObject& window_;
    ExistingFileQuestion& question_;
    std::stop_token stop_;
};

// The worker's messages ("Error starting Word."), shown on the window's thread while the worker waits.
class ForwardedMessages final : public MessageBox {
public:
    ForwardedMessages(QObject& window, MessageBox& messages, std::stop_token stop)
        : window_(window), messages_(messages), stop_(std::move(stop)) {}
    void Show(std::string_view text) override {
        MessageBox* messages = &messages_;
        CallOnGuiThread<bool>(
            window_,
            [messages, text = std::string(text)] {
                messages->Show(text);
                return true;
            },
            stop_);
    }

private:
    QObject& window_;
    MessageBox& messages_;
    std::stop_token stop_;
};

}  // namespace

ProgressWindow::ProgressWindow(ConversionJob& job, const SettingsStore& settings,
                               const ConverterSettings& converter, MessageBox& messages, QWidget* parent)
    : QDialog(parent), job_(job), settings_(settings), converter_(converter), messages_(messages) {
    resources::BuildDialog(*this, resources::ProgressWindowTemplate());
    stop_ = resources::Control<QPushButton>(*this, ids::kStopButton);
    detail_ = resources::Control<QPushButton>(*this, ids::kDetailButton);
    status_ = resources::Control<QLabel>(*this, ids::kStatusLine);
    bar_ = resources::Control<QProgressBar>(*this, ids::kProgressBar);
    autoClose_ = resources::Control<QCheckBox>(*this, ids::kAutoCloseCheck);
    log_ = resources::Control<QPlainTextEdit>(*this, ids::kLogControl);
    // Neither shows a text that could name it to a screen reader.
    bar_->setAccessibleName(QStringLiteral("Conversion progress"));
    log_->setAccessibleName(QStringLiteral("Detail log"));
    for (QPushButton* button : {stop_, detail_}) {
        // No default button: Enter must not stop a run by accident.
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(stop_, &QPushButton::clicked, this, &ProgressWindow::OnStopOrExit);
    connect(detail_, &QPushButton::clicked, this, &ProgressWindow::OnDetail);
    // Lines that wrap are measured only when laid out, so the log grows after it was scrolled to its end.
    QScrollBar* scroll = log_->verticalScrollBar();
    connect(scroll, &QScrollBar::rangeChanged, this, [this, scroll](int, int maximum) {
        if (keepEndInView_ && PaneOpen()) scroll->setValue(maximum);
    });
    connect(scroll, &QScrollBar::actionTriggered, this, [this] { keepEndInView_ = false; });
    for (QLabel* label : findChildren<QLabel*>()) {
        if (resources::ControlId(*label) == ids::kStatic && label->pixmap().isNull())
            resources::ShowApplicationIcon(*label);
    }
    OnInitDialog();
}

ProgressWindow::~ProgressWindow() {
    // Closed the usual way, the worker has already ended; a window destroyed while it runs must wait for
    // it, as it works for this window.
    m_pWorkerThread.request_stop();
    if (m_pWorkerThread.joinable()) m_pWorkerThread.join();
    // A setting that cannot be stored leaves the default for next time; there is nobody to tell now.
    const std::pair<std::string_view, std::int32_t> state[] = {
        {"Progress", PaneOpen() ? 1 : 0}, {"AutoClose", autoClose_->isChecked() ? 1 : 0}};
    [[maybe_unused]] const bool stored = settings_.WriteInts(state);
}

void ProgressWindow::OnInitDialog() {
    const QRect outer = frameGeometry();
    m_nWindowWidth = outer.width();
    m_nFullHeight = outer.height();
    frameHeight_ = outer.height() - height();
    // About a third of the client area stays: the pane closes just above the etched line.
    m_nCollapsedHeight = m_nFullHeight - static_cast<int>(height() * 0.67);

    autoClose_->setChecked(settings_.GetInt("AutoClose") != 0);
    if (settings_.GetInt("Progress") != 0) {
        SizeTo(m_nFullHeight);
        detail_->setText(kDetailOpen);
    } else {
        SizeTo(m_nCollapsedHeight);
        detail_->setText(kDetailClosed);
    }
    m_nSavedLogScroll = -1;
    keepEndInView_ = false;
    m_strLog.clear();
    m_nStatusTick = 0;
}

void ProgressWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!started_) StartWorker();
}

void ProgressWindow::StartWorker() {
    started_ = true;
    m_pWorkerThread = std::jthread([this](std::stop_token stop) {
        {
            PromptQuestion prompt(*this, stop);
            std::optional<ForwardedQuestion> forwarded;
            if (question_) forwarded.emplace(*this, *question_, stop);
            ForwardedMessages messages(*this, messages_, stop);
            RunConversionWorker(job_, converter_, *this,
                                forwarded ? static_cast<ExistingFileQuestion&>(*forwarded) : prompt, messages,
                                stop);
        }
        // The last thing the worker does, however the run ended: after this the window may join it
        // without waiting.
        QMetaObject::invokeMethod(
            this, [this] { OnWorkerFinished(); }, Qt::QueuedConnection);
    });
}

bool ProgressWindow::PaneOpen() const {
    return detail_->text() != kDetailClosed;
}

void ProgressWindow::SizeTo(int outerHeight) {
    setFixedSize(m_nWindowWidth, outerHeight - frameHeight_);
}

void ProgressWindow::AdvanceStatus() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (++m_nStatusTick > 24) m_nStatusTick = 0;
            status_->setText(kStatusText + QString(m_nStatusTick / 4, QLatin1Char('.')));
        },
        Qt::QueuedConnection);
}

void ProgressWindow::AppendLog(std::string_view text) {
    QString line = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    QMetaObject::invokeMethod(
        this, [this, line] { ShowLogLine(line); }, Qt::QueuedConnection);
}

void ProgressWindow::SetProgress(int position) {
    QMetaObject::invokeMethod(
        this, [this, position] { bar_->setValue(position); }, Qt::QueuedConnection);
}

void ProgressWindow::ConversionDone(int errors) {
    QMetaObject::invokeMethod(
        this, [this, errors] { OnConversionDone(errors); }, Qt::QueuedConnection);
}

void ProgressWindow::ShowLogLine(const QString& text) {
    m_strLog += text;
    if (!PaneOpen()) return;
    // Only the new text goes in: the log of a long run is never laid out again as a whole.
    log_->moveCursor(QTextCursor::End);
    log_->insertPlainText(text);
    log_->ensureCursorVisible();
}

void ProgressWindow::OnDetail() {
    if (!PaneOpen()) {
        OpenPane();
    } else {
        m_nSavedLogScroll = log_->verticalScrollBar()->value();
        keepEndInView_ = false;  // the user has seen it: reopened, the pane shows where he left it
        detail_->setText(kDetailClosed);
        SizeTo(m_nCollapsedHeight);
    }
}

void ProgressWindow::OpenPane() {
    detail_->setText(kDetailOpen);
    log_->setPlainText(m_strLog);
    if (keepEndInView_) {
        ShowLogEnd();
    } else {
        QScrollBar* scroll = log_->verticalScrollBar();
        scroll->setValue(scroll->value() + m_nSavedLogScroll);
    }
    SizeTo(m_nFullHeight);
    m_nSavedLogScroll = -1;
}

void ProgressWindow::ShowLogEnd() {
    keepEndInView_ = true;
    if (!PaneOpen()) return;  // OpenPane comes back here
    log_->moveCursor(QTextCursor::End);
    log_->ensureCursorVisible();
    QScrollBar* scroll = log_->verticalScrollBar();
    scroll->setValue(scroll->maximum());
}

void ProgressWindow::reject() {
    OnStopOrExit();
}

void ProgressWindow::OnStopOrExit() {
    if (stop_->text() == kStop) m_pWorkerThread.request_stop();
    closing_ = true;
    // A worker still running is never waited for here: ending its converter may take a while, and the
    // window keeps answering meanwhile. It goes when the worker says it has finished.
    if (m_pWorkerThread.joinable()) {
        stop_->setEnabled(false);
        detail_->setEnabled(false);
        return;
    }
    CloseWindow();
}

void ProgressWindow::OnWorkerFinished() {
    // It has returned: the join is immediate.
    m_pWorkerThread.join();
    if (closing_) CloseWindow();
}

void ProgressWindow::CloseWindow() {
    // The worker has ended: its converter is stopped and nothing of it outlives the window or the job.
    job_.m_arrSources.clear();
    done(QDialog::Rejected);
}

void ProgressWindow::OnConversionDone(int errors) {
    if (autoClose_->isChecked() && errors == 0) {
        OnStopOrExit();
        return;
    }
    status_->setText(kCompletedText);
    stop_->setText(kExit);
    // The last line (the totals, or the cancelling) is in view now, or when the pane opens.
    ShowLogEnd();
    // Failures stay in view: the pane opens at the end of the log, and the window waits.
    if (errors > 0 && !PaneOpen()) OpenPane();
}

}  // namespace larkspan
