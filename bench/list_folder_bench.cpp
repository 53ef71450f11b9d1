// Times the listing of one folder in the main window, as the user sees it: the folder is selected in the
// tree, the list is rebuilt and drawn. Prints the slowest and the median of several runs.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>

#include "mainwindow/main_window.h"
#include "mainwindow/main_window_dialog.h"
#include "mainwindow/shell_tree_control.h"
#include "platform/settings_store.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [RUNS]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString folder = QString::fromLocal8Bit(argv[1]);
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    larkspan::MainWindow state;
    larkspan::SettingsStore settings(larkspan::kRegistryKeyName, "larkspan");
    larkspan::MainWindowDialog dialog(state, settings);
    dialog.show();
    QApplication::processEvents();

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        // Every run starts from another folder so that selecting the folder lists it again.
        dialog.FolderTree().SelectPath(QStringLiteral("/"));
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        if (!dialog.FolderTree().SelectPath(folder)) {
            std::fprintf(stderr, "the folder tree does not hold %s\n", argv[1]);
            return 1;
        }
        dialog.FileList().repaint();
        QApplication::processEvents();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("listed %d files: median %.0f ms, slowest %.0f ms over %d runs\n",
                dialog.FileList().GetItemCount(), times[times.size() / 2], times.back(), runs);
    return 0;
}
