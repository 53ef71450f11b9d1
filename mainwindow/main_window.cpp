#include "mainwindow/main_window.h"

#include "platform/paths.h"

namespace larkspan {

// The program's folder is known from construction on, so the command-line mode finds the converter too.
MainWindow::MainWindow() : ApplicationFolder(paths::ExecutableFolder()) {}

MainWindow::~MainWindow() = default;

}  // namespace larkspan
