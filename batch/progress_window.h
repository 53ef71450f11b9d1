#pragma once
// The modal window of one batch run (template 139): it starts the worker when it opens and shows what
// the worker reports, a status line, a progress bar and, in a detail pane that opens and closes, the log.
// The worker's calls arrive on the window's thread in the order it made them; only that thread touches
// the widgets and the log. The last of them says the worker has finished: Stop and Exit only ask, and the
// window closes when that call arrives, so its thread never waits for the worker.

#include <string_view>
#include <thread>

#include <QDialog>
#include <QString>

#include "batch/conversion_job.h"
#include "batch/conversion_progress.h"
#include "engine/convert_file.h"

class QCheckBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QLabel;

namespace larkspan {

class MessageBox;
class SettingsStore;

class ProgressWindow : public QDialog, public ConversionProgress {
    Q_OBJECT
public:
    // The window owns the run: job, converter settings and messages must outlive it. messages is shown
    // on the window's thread.
    ProgressWindow(ConversionJob& job, const SettingsStore& settings, const ConverterSettings& converter,
                   MessageBox& messages, QWidget* parent = nullptr);
    // Stops a worker that still runs and writes the pane's and the check box's state.
    ~ProgressWindow() override;

    // Answers the existing-file questions in place of the prompt (tests); nullptr goes back to the prompt.
    void SetExistingFileQuestion(ExistingFileQuestion* question) { question_ = question; }

    // Called by the worker, from its thread.
    void AdvanceStatus() override;
    void AppendLog(std::string_view text) override;
    void SetProgress(int position) override;
    void ConversionDone(int errors) override;

    // The whole log so far, whether the pane shows it or not.
    const QString& Log() const { return m_strLog; }
    bool PaneOpen() const;
    int FullHeight() const { return m_nFullHeight; }
    int CollapsedHeight() const { return m_nCollapsedHeight; }

protected:
    void showEvent(QShowEvent* event) override;
    // Escape and the close box: the same as Stop/Exit.
    void reject() override;

private:
    void OnInitDialog();
    void StartWorker();
    void OnDetail();
    void OnStopOrExit();
    void OnWorkerFinished();
    void CloseWindow();
    void OnConversionDone(int errors);
    void ShowLogLine(const QString& text);
    void OpenPane();
    void ShowLogEnd();
    void SizeTo(int outerHeight);

    ConversionJob& job_;
    const SettingsStore& settings_;
    const ConverterSettings& converter_;
    MessageBox& messages_;
    ExistingFileQuestion* question_ = nullptr;

    QPushButton* stop_ = nullptr;
    QPushButton* detail_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QCheckBox* autoClose_ = nullptr;
    QPlainTextEdit* log_ = nullptr;

    int m_nWindowWidth = 0;
    int m_nFullHeight = 0;
    int m_nCollapsedHeight = 0;
    int frameHeight_ = 0;  // outer height less client height, when measured
    QString m_strLog;
    int m_nSavedLogScroll = -1;
    // The run's last line is in and is to stay in view: the log follows its end as it is laid out, until
    // the user scrolls it or closes the pane.
    bool keepEndInView_ = false;
    int m_nStatusTick = 0;
    bool started_ = false;
    bool closing_ = false;  // Stop or Exit came: the window goes as soon as the worker has ended
    // Last: it is stopped and joined before anything it uses goes away.
    std::jthread m_pWorkerThread;
};

}  // namespace larkspan
