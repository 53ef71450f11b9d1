#pragma once
// The process entry: start-up in its fixed order, then either the command-line conversion (no window, no
// Qt application) or the main window.

#include <functional>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "platform/settings_store.h"

namespace larkspan {

class MainWindow;
class MessageBox;

struct StartupHooks {
    MessageBox* messages = nullptr;
    // Runs the main window modally over the windowless state; needed only in the window mode.
    std::function<void(MainWindow&, SettingsStore&)> runMainWindow;
    // Prepares the automation layer for the main thread; false when it cannot be used.
    std::function<bool()> initializeAutomation;
};

class ConverterApp {
public:
    // appName is the program's file name without extension; it names the settings key.
    explicit ConverterApp(std::string appName);

    // Runs start-up and one of the two modes to its end. Returns the process exit status.
    int InitInstance(int argc, const char* const* argv, const StartupHooks& hooks);

    const std::string& m_strCmdSource() const { return arguments_.source; }
    const std::string& m_strCmdFormat() const { return arguments_.format; }
    const std::string& m_strCmdOutput() const { return arguments_.output; }
    const SettingsStore* settings() const { return settings_.get(); }

private:
    std::string appName_;
    CommandLineArguments arguments_;
    std::unique_ptr<SettingsStore> settings_;
};

}  // namespace larkspan
