// The larkspan program: with a source argument it converts without creating any Qt application, so it
// runs with no display; otherwise it opens the main window.

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QApplication>

#include "app/converter_app.h"
#include "app/stderr_message_box.h"
#include "mainwindow/main_window_dialog.h"
#include "mainwindow/qt_message_box.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
    larkspan::ConverterApp app(larkspan::paths::ExecutableTitle());
    larkspan::StartupHooks hooks;
    if (argc > 1 && argv[1][0] != '\0') {
        larkspan::StderrMessageBox messages;
        hooks.messages = &messages;
        return app.InitInstance(argc, argv, hooks);
    }

    // Without a display Qt would abort; a person at a terminal is better told how to convert without one.
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
        std::fprintf(stderr,
                     "larkspan: no display to open the window on; to convert without one: "
                     "larkspan SOURCE... FORMAT OUTPUT-FOLDER (see larkspan --help)\n");
        return 2;
    }

    // QApplication takes its own options out of argv; start-up sees the arguments as given.
    std::vector<char*> arguments(argv, argv + argc);
    QApplication qtApp(argc, argv);
    larkspan::QtMessageBox messages;
    hooks.messages = &messages;
    hooks.runMainWindow = [](larkspan::MainWindow& window, larkspan::SettingsStore& settings) {
        larkspan::MainWindowDialog dialog(window, settings);
        dialog.exec();
    };
    return app.InitInstance(static_cast<int>(arguments.size()), arguments.data(), hooks);
}
