// The window's batch as a person starts it, in a process of its own so that a test can kill it mid-run:
// the folder is listed, every document ticked and Convert pressed; the targets go beside the sources.
// Usage: larkspan_window_batch FOLDER

#include <cstdio>

#include <QApplication>
#include <QPushButton>

#include "app/stderr_message_box.h"
#include "mainwindow/main_window.h"
#include "mainwindow/main_window_dialog.h"
#include "mainwindow/shell_tree_control.h"
#include "platform/settings_store.h"
#include "resources/dialog_builder.h"
#include "resources/resource_ids.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    larkspan::MainWindow state;  // the converter is looked for beside this program, as beside larkspan
    larkspan::SettingsStore settings(larkspan::kRegistryKeyName, "larkspan");
    larkspan::StderrMessageBox messages;
    larkspan::MainWindowDialog dialog(state, settings);
    dialog.SetMessageBox(&messages);
    dialog.show();
    if (!dialog.FolderTree().SelectPath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "the folder tree does not hold %s\n", argv[1]);
        return 1;
    }
    dialog.SetCheckOnAll(true);
    larkspan::resources::Control<QPushButton>(dialog, larkspan::ids::kConvertButton)->click();
    return 0;
}
