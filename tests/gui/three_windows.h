#pragma once
// The main window, the progress window and the existing-file prompt, each built as a test of all three
// needs it, over a registry, a folder and settings of the test's own.

#include <memory>

#include <QDialog>
#include <QString>

#include "batch/existing_file_prompt.h"
#include "batch/progress_window.h"
#include "mainwindow/main_window.h"
#include "mainwindow/main_window_dialog.h"
#include "platform/settings_store.h"
#include "tests/support/files.h"
#include "tests/support/recording_messages.h"

namespace larkspan::test {

struct ThreeWindows {
    ScopedRegistry registry;  // first made, last gone: the settings live in it
    TempFolder folder;
    SettingsStore settings{kRegistryKeyName, "larkspan"};
    MainWindow state;
    ConversionJob job;
    ConverterSettings converter;
    RecordingMessages messages;

    // The window of that kind ("main", "progress" or "prompt"), built and set up; shown when showing it
    // starts nothing.
    std::unique_ptr<QDialog> Make(const QString& kind) {
        if (kind == "main") {
            auto window = std::make_unique<MainWindowDialog>(state, settings);
            window->show();
            return window;
        }
        if (kind == "progress") {
            // Not shown: showing starts the run, which an empty job ends by closing the window.
            converter.applicationFolder = folder.str() + "/";
            return std::make_unique<ProgressWindow>(job, settings, converter, messages);
        }
        auto prompt = std::make_unique<ExistingFilePrompt>();
        prompt->m_strMessage = "The file \"/d/report.doc\" has already existed!";
        prompt->show();  // not modal: the test reads it while it is open
        return prompt;
    }
};

}  // namespace larkspan::test
