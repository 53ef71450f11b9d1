// The progress window and the existing-file prompt, driven through their real widgets on the offscreen
// platform, over stand-in converters.

#include <signal.h>

#include <fstream>
#include <memory>
#include <sstream>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "batch/existing_file_prompt.h"
#include "batch/progress_window.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "resources/dialog_builder.h"
#include "resources/resource_ids.h"
#include "tests/gui/modal_answer.h"
#include "tests/support/files.h"
#include "tests/support/recording_messages.h"
#include "tests/support/stand_in_converter.h"

using namespace larkspan;
namespace fs = std::filesystem;

namespace {

template <class T>
T& ControlOf(const QWidget& window, int id) {
    T* control = resources::Control<T>(window, id);
    if (!control) qFatal("control %d is missing", id);
    return *control;
}

// The processes of group that still run; a zombie waiting for whoever adopted it has ended.
int RunningInGroup(pid_t group) {
    int running = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream file(entry.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const std::size_t end = stat.rfind(") ");
        if (end == std::string::npos) continue;
        std::istringstream fields(stat.substr(end + 2));
        char state = 0;
        pid_t parent = 0, processGroup = 0;
        fields >> state >> parent >> processGroup;
        if (processGroup == group && state != 'Z' && state != 'X') ++running;
    }
    return running;
}

}  // namespace

class ProgressWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ScopedRegistry> registry_;
    std::unique_ptr<test::TempFolder> folder_;
    std::unique_ptr<SettingsStore> settings_;
    ConverterSettings converter_;
    ConversionJob job_;
    test::RecordingMessages messages_;

    fs::path In() const { return folder_->path() / "in"; }
    fs::path Out() const { return folder_->path() / "out"; }

    // count sources "in/fileNN.docx" for "out", and the stand-in converter with body (and setup).
    void MakeJob(int count, const std::string& body = "cp \"$2\" \"$3\"", const std::string& setup = {}) {
        test::WriteStandIn(folder_->path() / "app", body, setup);
        fs::create_directories(Out());
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "file%02d.docx", i);
            job_.m_arrSources.push_back(folder_->WriteFile(std::string("in/") + name, name).string());
        }
        job_.m_strOutputFolder = Out().string();
    }
    std::unique_ptr<ProgressWindow> MakeWindow() {
        return std::make_unique<ProgressWindow>(job_, *settings_, converter_, messages_);
    }
    static QString StatusText(const ProgressWindow& window) {
        return ControlOf<QLabel>(window, ids::kStatusLine).text();
    }
    static QString ButtonText(const ProgressWindow& window, int id) {
        return ControlOf<QPushButton>(window, id).text();
    }
    static QPlainTextEdit& LogControl(const ProgressWindow& window) {
        return ControlOf<QPlainTextEdit>(window, ids::kLogControl);
    }

private slots:
    void init() {
        registry_ = std::make_unique<test::ScopedRegistry>();
        folder_ = std::make_unique<test::TempFolder>();
        settings_ = std::make_unique<SettingsStore>(kRegistryKeyName, "larkspan");
        converter_ = {};
        converter_.applicationFolder = (folder_->path() / "app").string() + "/";
        job_ = {};
        job_.m_nTargetFormat = kFormatDoc;
        messages_.shown.clear();
    }

    void cleanup() {
        settings_.reset();
        folder_.reset();
        registry_.reset();
    }

    void firstViewFromAFreshProfile() {
        auto window = MakeWindow();
        QCOMPARE(window->windowTitle(), QString("Larkspan"));
        QVERIFY(ControlOf<QCheckBox>(*window, ids::kAutoCloseCheck).isChecked());
        QCOMPARE(ButtonText(*window, ids::kDetailButton), QString("Detail >>"));
        QCOMPARE(ButtonText(*window, ids::kStopButton), QString("Stop"));
        QCOMPARE(StatusText(*window), QString("Converting File(s). Please wait"));
        QCOMPARE(ControlOf<QProgressBar>(*window, ids::kProgressBar).value(), 0);
        // 332 x 228 dialog units; closed, a third of the client height is left, ending above the line.
        QCOMPARE(window->FullHeight(), 371);
        QCOMPARE(window->CollapsedHeight(), 371 - 248);
        QCOMPARE(window->size(), QSize(498, 123));
        QVERIFY(!window->PaneOpen());
        QCOMPARE(ControlOf<QWidget>(*window, ids::kLogControl).geometry().top(), 150);
        window->show();
        QVERIFY(!ControlOf<QWidget>(*window, ids::kViewResultButton).isVisible());
        QVERIFY(!ControlOf<QWidget>(*window, ids::kHiddenMark).isVisible());
        // With an empty job the run ends at once and the window closes by itself.
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(window->result(), int(QDialog::Rejected));
    }

    void openingFollowsTheStoredState_data() {
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("autoClose");
        QTest::newRow("pane open, stays open") << 1 << 0;
        QTest::newRow("pane closed, closes by itself") << 0 << 1;
    }

    void openingFollowsTheStoredState() {
        QFETCH(int, progress);
        QFETCH(int, autoClose);
        QVERIFY(settings_->WriteInt("Progress", progress));
        QVERIFY(settings_->WriteInt("AutoClose", autoClose));
        auto window = MakeWindow();
        QCOMPARE(window->PaneOpen(), progress != 0);
        QCOMPARE(window->height(), progress ? 371 : 123);
        QCOMPARE(ButtonText(*window, ids::kDetailButton), QString(progress ? "<< Detail" : "Detail >>"));
        QCOMPARE(ControlOf<QCheckBox>(*window, ids::kAutoCloseCheck).isChecked(), autoClose != 0);
        // Written back as the window is when it goes.
        QVERIFY(settings_->WriteInt("Progress", 7));
        QVERIFY(settings_->WriteInt("AutoClose", 7));
        window.reset();
        QCOMPARE(settings_->GetInt("Progress"), std::uint32_t(progress));
        QCOMPARE(settings_->GetInt("AutoClose"), std::uint32_t(autoClose));
    }

    void detailTogglesThePaneAndKeepsTheScrollPosition() {
        QVERIFY(settings_->WriteInt("AutoClose", 0));
        MakeJob(40);
        auto window = MakeWindow();
        window->show();
        QTRY_COMPARE(ButtonText(*window, ids::kStopButton), QString("Exit"));
        QCOMPARE(StatusText(*window), QString("Conversion is completed."));
        QCOMPARE(ControlOf<QProgressBar>(*window, ids::kProgressBar).value(), 100);
        QVERIFY(window->Log().endsWith("\nTotal files: 40; Converted: 40; Error: 0."));
        // A closed pane only collects; opened, it shows the whole log at once.
        QVERIFY(LogControl(*window).toPlainText().isEmpty());
        QPushButton& detail = ControlOf<QPushButton>(*window, ids::kDetailButton);
        QTest::mouseClick(&detail, Qt::LeftButton);
        QVERIFY(window->PaneOpen());
        QCOMPARE(window->height(), 371);
        QCOMPARE(LogControl(*window).toPlainText(), window->Log());

        QScrollBar* scroll = LogControl(*window).verticalScrollBar();
        QVERIFY(scroll->maximum() > 10);
        scroll->setValue(10);
        QTest::mouseClick(&detail, Qt::LeftButton);
        QVERIFY(!window->PaneOpen());
        QCOMPARE(window->height(), 123);
        QTest::mouseClick(&detail, Qt::LeftButton);
        QCOMPARE(LogControl(*window).verticalScrollBar()->value(), 10);

        // Exit closes once the worker's last call has come in.
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 30000);
        window.reset();
        QCOMPARE(settings_->GetInt("Progress"), 1u);
        QCOMPARE(settings_->GetInt("AutoClose"), 0u);
    }

    void statusDotsOverTwentySixFiles() {
        auto window = MakeWindow();  // not shown: no worker runs
        for (int file = 1; file <= 26; ++file) {
            window->AdvanceStatus();
            QCoreApplication::processEvents();
            const int dots = file <= 24 ? file / 4 : 0;
            QCOMPARE(StatusText(*window),
                     "Converting File(s). Please wait" + QString(dots, QLatin1Char('.')));
        }
    }

    void anOpenPaneShowsEachLineAsItArrives() {
        QVERIFY(settings_->WriteInt("Progress", 1));
        auto window = MakeWindow();
        window->AppendLog("From: a\n");
        window->AppendLog("  To: b\n");
        QCoreApplication::processEvents();
        QCOMPARE(LogControl(*window).toPlainText(), QString("From: a\n  To: b\n"));
        QCOMPARE(window->Log(), QString("From: a\n  To: b\n"));
    }

    void stopClosesAtOnceAndEndsTheConverter() {
        const fs::path pidFile = folder_->path() / "converter.pid";
        MakeJob(3, test::HangingConverter(pidFile));
        auto window = MakeWindow();
        QElapsedTimer clock;
        test::ModalAnswer<ProgressWindow> stop([&](ProgressWindow& shown) {
            QVERIFY(QTest::qWaitFor([&] { return test::HoldsTemporary(Out()); }, 10000));
            clock.start();
            QTest::mouseClick(&ControlOf<QPushButton>(shown, ids::kStopButton), Qt::LeftButton);
        });
        window->exec();
        QVERIFY(stop.answered());
        QVERIFY(clock.elapsed() < 3000);
        QVERIFY(fs::is_empty(Out()));
        QVERIFY(job_.m_arrSources.empty());
        QVERIFY(!window->Log().contains("Total files"));
        const pid_t pid = std::stoi(test::ReadText(pidFile));
        QVERIFY(::kill(pid, 0) != 0 && errno == ESRCH);
    }

    // A converter that takes no notice of the polite request to end is killed after its grace; meanwhile
    // the window goes on answering, and it closes once the converter is gone.
    void theWindowKeepsAnsweringWhileAStopTakesItsTime() {
        const fs::path pidFile = folder_->path() / "converter.pid";
        MakeJob(3, test::HangingConverter(pidFile), "trap '' TERM");
        auto window = MakeWindow();
        window->show();
        QVERIFY(QTest::qWaitFor([&] { return test::HoldsTemporary(Out()); }, 20000));

        // The largest gap between two ticks of a 50 ms timer on the window's thread, and from the last
        // tick to the moment the window closes.
        QElapsedTimer clock;
        qint64 last = 0, widest = 0;
        auto tick = [&] {
            const qint64 now = clock.elapsed();
            widest = std::max(widest, now - last);
            last = now;
        };
        QTimer watch;
        watch.setInterval(50);
        connect(&watch, &QTimer::timeout, tick);
        bool closed = false;
        connect(window.get(), &QDialog::finished, [&] {
            tick();
            closed = true;
        });
        clock.start();
        watch.start();
        QPushButton& stop = ControlOf<QPushButton>(*window, ids::kStopButton);
        QTest::mouseClick(&stop, Qt::LeftButton);
        // Asked, not yet done: the converter has a second to end.
        QVERIFY(window->isVisible());
        QVERIFY(!stop.isEnabled());
        QVERIFY(!ControlOf<QPushButton>(*window, ids::kDetailButton).isEnabled());
        QVERIFY(QTest::qWaitFor([&] { return closed; }, 30000));
        watch.stop();
        QVERIFY2(widest - 50 <= 200, qPrintable(QString("the window was %1 ms late").arg(widest - 50)));

        QVERIFY(!window->isVisible());
        QCOMPARE(window->result(), int(QDialog::Rejected));
        QVERIFY(job_.m_arrSources.empty());
        QVERIFY(fs::is_empty(Out()));
        const pid_t pid = std::stoi(test::ReadText(pidFile));
        QVERIFY(::kill(pid, 0) != 0 && errno == ESRCH);
        QVERIFY(QTest::qWaitFor([&] { return RunningInGroup(pid) == 0; }, 10000));
    }

    void aRunWithErrorsStaysOpenWithItsLog() {
        MakeJob(2,
                "case \"$2\" in *file00*) exit 4;; esac\n"
                "cp \"$2\" \"$3\"");
        auto window = MakeWindow();  // a fresh profile: "Close after completed." is ticked
        window->show();
        QTRY_COMPARE(ButtonText(*window, ids::kStopButton), QString("Exit"));
        QTest::qWait(50);
        QVERIFY(window->isVisible());
        QVERIFY(window->PaneOpen());
        QCOMPARE(StatusText(*window), QString("Conversion is completed."));
        const QString shown = LogControl(*window).toPlainText();
        QVERIFY(shown.contains("  Error: not a document\n"));
        QVERIFY(shown.endsWith("Total files: 2; Converted: 1; Error: 1."));
        QScrollBar* scroll = LogControl(*window).verticalScrollBar();
        QCOMPARE(scroll->value(), scroll->maximum());
        QTest::mouseClick(&ControlOf<QPushButton>(*window, ids::kStopButton), Qt::LeftButton);
        QVERIFY(!window->isVisible());
    }

    // The run's last line (the totals, or the line saying it was cancelled) ends in view, whenever the pane
    // opens. Long names wrap, and wrapped lines are measured only when laid out.
    void theLastLineEndsInView_data() {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("openAfter");
        QTest::addColumn<QString>("last");
        const QString totals = "\nTotal files: 30; Converted: 30; Error: 0.";
        const QString cancelled = "  Cancelled: the files after this one were not converted.\n";
        QTest::newRow("totals, the pane opened after the run") << false << true << totals;
        QTest::newRow("cancelled, the pane open all along") << true << false << cancelled;
        QTest::newRow("cancelled, the pane opened after the run") << true << true << cancelled;
    }

    void theLastLineEndsInView() {
        QFETCH(bool, cancel);
        QFETCH(bool, openAfter);
        QFETCH(QString, last);
        QVERIFY(settings_->WriteInt("AutoClose", 0));
        QVERIFY(settings_->WriteInt("Progress", openAfter ? 0 : 1));
        MakeJob(0);
        const std::string longName(120, 'n');
        for (int i = 0; i < 30; ++i)
            job_.m_arrSources.push_back(
                folder_->WriteFile("in/" + longName + std::to_string(i) + ".docx", "x").string());
        if (cancel) folder_->WriteFile("out/" + longName + "29.doc", "old");
        struct : ExistingFileQuestion {
            std::optional<ExistingFileAnswer> Ask(const std::string&) override { return std::nullopt; }
        } cancelling;
        auto window = MakeWindow();
        window->SetExistingFileQuestion(&cancelling);
        window->show();
        QTRY_COMPARE_WITH_TIMEOUT(ButtonText(*window, ids::kStopButton), QString("Exit"), 30000);
        QVERIFY(window->Log().endsWith(last));
        QVERIFY(!cancel || !window->Log().contains("Total files"));
        if (openAfter) {
            QVERIFY(!window->PaneOpen());
            QTest::mouseClick(&ControlOf<QPushButton>(*window, ids::kDetailButton), Qt::LeftButton);
        }
        QVERIFY(window->PaneOpen());
        QScrollBar* scroll = LogControl(*window).verticalScrollBar();
        QTest::qWait(50);  // whatever layout is still to come
        QVERIFY(scroll->maximum() > 0);
        QCOMPARE(scroll->value(), scroll->maximum());
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 30000);
    }

    void enterDoesNotStopARun() {
        MakeJob(1, "exec sleep 30");
        auto window = MakeWindow();
        window->show();
        ControlOf<QPushButton>(*window, ids::kStopButton).setFocus();
        QTest::keyClick(window.get(), Qt::Key_Return);
        QVERIFY(window->isVisible());
        QTest::keyClick(window.get(), Qt::Key_Escape);  // Escape is Stop
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 30000);
    }
};

class ExistingFilePromptTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheQuestion() {
        ExistingFilePrompt prompt;
        prompt.m_strMessage =
            "The file \"/d/report.doc\" has already existed!\n\nPlease select the settings you want.";
        test::ModalAnswer<ExistingFilePrompt> look([&](ExistingFilePrompt& shown) {
            QCOMPARE(
                ControlOf<QLabel>(shown, ids::kQuestionText).text(),
                QString("The file \"/d/report.doc\" has already existed!\n\nPlease select the settings you "
                        "want."));
            QVERIFY(!ControlOf<QLabel>(shown, ids::kWarningIcon).pixmap().isNull());
            QVERIFY(!ControlOf<QCheckBox>(shown, ids::kSaveForTaskCheck).isChecked());
            QVERIFY(ControlOf<QPushButton>(shown, ids::kAutoRenameButton).isDefault());
            QCOMPARE(shown.windowTitle(), QString("Larkspan"));
            shown.reject();
        });
        prompt.exec();
        QVERIFY(look.answered());
    }

    void focusStartsOnAutoRename() {
        ExistingFilePrompt prompt;
        prompt.m_strMessage = "The file \"x\" has already existed!";
        QWidget* focused = nullptr;
        test::ModalAnswer<ExistingFilePrompt> answer([&](ExistingFilePrompt& shown) {
            focused = shown.focusWidget();
            // Space presses the focused button, as Enter presses the default one.
            if (focused) QTest::keyClick(focused, Qt::Key_Space);
            if (shown.isVisible()) shown.reject();  // no answer came from the focus: fail, do not hang
        });
        QCOMPARE(prompt.exec(), int(QDialog::Accepted));
        QCOMPARE(focused, static_cast<QWidget*>(&ControlOf<QPushButton>(prompt, ids::kAutoRenameButton)));
        QVERIFY(prompt.m_bRenameChosen);
        QVERIFY(!prompt.m_bSaveForTask);
    }

    void answers_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("rename");
        QTest::addColumn<bool>("save");
        QTest::newRow("Enter right away") << "enter" << false << int(QDialog::Accepted) << true << false;
        QTest::newRow("Auto Rename, ticked") << "rename" << true << int(QDialog::Accepted) << true << true;
        QTest::newRow("Overwrite") << "overwrite" << false << int(QDialog::Accepted) << false << false;
        QTest::newRow("Overwrite, ticked") << "overwrite" << true << int(QDialog::Accepted) << false << true;
        QTest::newRow("ticked, then Cancel") << "cancel" << true << int(QDialog::Rejected) << false << false;
        QTest::newRow("Escape") << "escape" << true << int(QDialog::Rejected) << false << false;
        QTest::newRow("close box") << "close" << true << int(QDialog::Rejected) << false << false;
    }

    void answers() {
        QFETCH(QString, action);
        QFETCH(bool, tick);
        QFETCH(int, result);
        QFETCH(bool, rename);
        QFETCH(bool, save);
        ExistingFilePrompt prompt;
        prompt.m_strMessage = "The file \"x\" has already existed!";
        test::ModalAnswer<ExistingFilePrompt> answer([&](ExistingFilePrompt& shown) {
            if (tick) QTest::mouseClick(&ControlOf<QCheckBox>(shown, ids::kSaveForTaskCheck), Qt::LeftButton);
            if (action == "enter") QTest::keyClick(&shown, Qt::Key_Return);
            if (action == "rename")
                QTest::mouseClick(&ControlOf<QPushButton>(shown, ids::kAutoRenameButton), Qt::LeftButton);
            if (action == "overwrite")
                QTest::mouseClick(&ControlOf<QPushButton>(shown, ids::kOverwriteButton), Qt::LeftButton);
            if (action == "cancel")
                QTest::mouseClick(&ControlOf<QPushButton>(shown, ids::kCancelButton), Qt::LeftButton);
            if (action == "escape") QTest::keyClick(&shown, Qt::Key_Escape);
            if (action == "close") shown.close();
        });
        QCOMPARE(prompt.exec(), result);
        QVERIFY(answer.answered());
        QCOMPARE(prompt.m_bRenameChosen, rename);
        QCOMPARE(prompt.m_bSaveForTask, save);
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The pixel values checked here are the layout at the templates' 8 pt font; the dialogs take the
    // application's font, whose default size differs between platforms.
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
    int failed = 0;
    {
        ProgressWindowTest test;
        failed += QTest::qExec(&test, argc, argv);
    }
    {
        ExistingFilePromptTest test;
        failed += QTest::qExec(&test, argc, argv);
    }
    return failed;
}

#include "progress_window_test.moc"
