// A batch of many files converted in the window, as a person runs it: the folder is listed, every file
// ticked, Convert pressed, and the progress window watched with its detail pane open. Measures how late the
// window's own timer gets while the run floods it with reports (how responsive it stays), and how long after
// the last file was written the window shows the end of the run (how far the log and the bar fall behind).
// Usage: larkspan_window_run_bench FOLDER CONVERTER-FOLDER

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include "batch/progress_window.h"
#include "mainwindow/main_window.h"
#include "mainwindow/main_window_dialog.h"
#include "mainwindow/shell_tree_control.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "resources/dialog_builder.h"
#include "resources/resource_ids.h"

namespace {

class NoMessages final : public larkspan::MessageBox {
public:
    void Show(std::string_view) override {}
};

// The newest modification time among the converted files, in seconds since the epoch.
double NewestOutput(const std::filesystem::path& folder) {
    double newest = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".doc") continue;
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) == 0)
            newest = std::max(newest, static_cast<double>(info.st_mtim.tv_sec) + info.st_mtim.tv_nsec / 1e9);
    }
    return newest;
}

double Now() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER CONVERTER-FOLDER\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);

    larkspan::MainWindow state;
    larkspan::SettingsStore settings(larkspan::kRegistryKeyName, "larkspan");
    // The log shows every line as it comes; the window waits at the end, so the end can be seen.
    if (!settings.WriteInt("Progress", 1) || !settings.WriteInt("AutoClose", 0)) {
        std::fprintf(stderr, "cannot store the settings the benchmark needs\n");
        return 2;
    }
    NoMessages messages;
    larkspan::MainWindowDialog dialog(state, settings);
    dialog.SetMessageBox(&messages);
    dialog.show();
    state.ApplicationFolder = std::string(argv[2]) + "/";
    if (!dialog.FolderTree().SelectPath(folder)) {
        std::fprintf(stderr, "the folder tree does not hold %s\n", argv[1]);
        return 1;
    }
    dialog.SetCheckOnAll(true);
    const int files = dialog.FileList().GetItemCount();

    // Lateness of a 50 ms timer on the window's thread during the run.
    QElapsedTimer clock;
    qint64 last = 0, worst = 0;
    double started = 0, lag = -1;
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (last) worst = std::max(worst, now - last - 50);
        last = now;
        auto* window = qobject_cast<larkspan::ProgressWindow*>(QApplication::activeModalWidget());
        if (!window) return;
        auto* stop = larkspan::resources::Control<QPushButton>(*window, larkspan::ids::kStopButton);
        if (stop->text() == "Exit" && lag < 0) {
            lag = Now() - NewestOutput(folder.toStdString());
            stop->click();
        }
    });
    // Convert runs the progress window modally: this returns when the run has ended and the window closed.
    clock.start();
    watch.start();
    started = Now();
    larkspan::resources::Control<QPushButton>(dialog, larkspan::ids::kConvertButton)->click();
    const double took = Now() - started;
    std::printf(
        "%d files in %.1f s (%.1f ms each); window timer at most %lld ms late; the end shown %.0f ms "
        "after the last file was written\n",
        files, took, 1000 * took / std::max(files, 1), static_cast<long long>(worst), lag * 1000);
    return 0;
}
