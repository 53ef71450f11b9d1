#include "app/converter_app.h"

#include "app/command_line_conversion.h"
#include "app/jet_setting.h"
#include "app/stderr_message_box.h"
#include "engine/automation/thread_init.h"
#include "mainwindow/main_window.h"

namespace larkspan {

ConverterApp::ConverterApp(std::string appName) : appName_(std::move(appName)) {}

int ConverterApp::InitInstance(int argc, const char* const* argv, const StartupHooks& hooks) {
    StderrMessageBox stderrMessages;
    MessageBox& messages = hooks.messages ? *hooks.messages : stderrMessages;

    bool automationReady =
        hooks.initializeAutomation ? hooks.initializeAutomation() : automation::InitializeThread();
    if (!automationReady) {
        messages.Show(automation::kInitializeFailed);
        return 1;
    }

    settings_ = std::make_unique<SettingsStore>(kRegistryKeyName, appName_);
    arguments_ = CommandLineArguments::FromArgv(argc, argv);
    WriteJetTypeGuessRows();

    MainWindow window;
    if (arguments_.commandLine) return RunCommandLineConversion(window, arguments_, messages);
    if (!hooks.runMainWindow) {
        messages.Show("The main window is not available in this program.");
        return 1;
    }
    hooks.runMainWindow(window, *settings_);
    return 0;
}

}  // namespace larkspan
