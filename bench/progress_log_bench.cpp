// Times what the progress window does with the log of a long run: a worker thread reports FILES files
// (a "From:" and a "To:" line each, with long paths) as fast as it can, with the detail pane open; then the
// pane is closed and opened again, which puts the whole log into the control at once. A real conversion
// takes tens of milliseconds per file, so the window keeps up as long as a file's lines cost far less.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include "batch/progress_window.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "resources/dialog_builder.h"
#include "resources/resource_ids.h"

namespace {

class NoMessages final : public larkspan::MessageBox {
public:
    void Show(std::string_view) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 5000;

    larkspan::SettingsStore settings(larkspan::kRegistryKeyName, "larkspan");
    if (!settings.WriteInt("Progress", 1)) {
        std::fprintf(stderr, "cannot store the settings the benchmark needs\n");
        return 2;
    }
    larkspan::ConversionJob job;  // empty: the window's own worker ends at once
    larkspan::ConverterSettings converter;
    NoMessages messages;
    larkspan::ProgressWindow window(job, settings, converter, messages);

    const std::string folder = "/home/somebody/" + std::string(160, 'd') + "/";
    QElapsedTimer clock;
    clock.start();
    std::jthread worker([&] {
        for (int i = 0; i < files; ++i) {
            const std::string name = "document number " + std::to_string(i);
            window.AdvanceStatus();
            window.AppendLog("From: " + folder + name + ".docx\n");
            window.AppendLog("  To: " + folder + name + ".doc\n");
            window.SetProgress((i + 1) * 100 / files);
        }
    });
    worker.join();
    // Everything the worker reported is waiting in the window's queue now; this carries it all out.
    QCoreApplication::sendPostedEvents();
    const double shown = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    auto* detail = larkspan::resources::Control<QPushButton>(window, larkspan::ids::kDetailButton);
    detail->click();  // closes the pane
    clock.restart();
    detail->click();  // opens it: the whole log at once
    QApplication::processEvents();
    const double reopened = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    std::printf(
        "%d files, %lld log characters: shown as they came in %.0f ms (%.1f us per file); "
        "whole log put back in %.0f ms\n",
        files, static_cast<long long>(window.Log().size()), shown, shown * 1000 / files, reopened);
    return 0;
}
