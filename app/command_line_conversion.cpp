#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "app/command_line_conversion.h"

#include "app/command_line.h"
#include "batch/unattended_run.h"
#include "engine/convert_file.h"
#include "engine/word_location.h"
#include "mainwindow/main_window.h"
#include "platform/emergency_end.h"
#include "platform/interrupt.h"
#include "platform/message_box.h"
#include "platform/paths.h"

namespace larkspan {

namespace {

// Each failure is one line on standard error naming the source, in the order of the files. On a terminal
// one more line shows how far the run is, and is erased at the end.
class StderrReport final : public BatchEvents {
public:
    explicit StderrReport(std::size_t total) : total_(total), terminal_(::isatty(STDERR_FILENO) == 1) {}
    ~StderrReport() override { Erase(); }

    void FileStarted(std::size_t, const std::string& source) override { source_ = source; }
    void TargetFormed(const std::string&) override {}
    std::optional<ExistingFileAnswer> AskAboutExisting(const std::string&) override {
        return ExistingFileAnswer{};
    }
    void TargetRenamed(const std::string&) override {}
    void FileFinished(std::size_t index, const FileResult& result) override {
        Erase();
        // A missing engine is said once for the whole run, not once per file.
        if (result.engineMissing)
            std::cerr << "larkspan: no file can be converted: " << result.reason << '\n';
        else if (!result.ok())
            std::cerr << source_ << ": " << result.reason << '\n';
        if (terminal_ && index + 1 < total_) {
            const std::size_t slash = source_.rfind('/');
            std::cerr << "\r" << index + 1 << " of " << total_
                      << " done: " << source_.substr(slash == std::string::npos ? 0 : slash + 1)
                      << std::flush;
            shown_ = true;
        }
    }

private:
    void Erase() {
        if (shown_) std::cerr << "\r\033[K" << std::flush;
        shown_ = false;
    }
    std::size_t total_;
    bool terminal_;
    bool shown_ = false;
    std::string source_;
};

}  // namespace

int RunCommandLineConversion(MainWindow& window, const CommandLineArguments& arguments,
                             MessageBox& messages) {
    // A missing format word or output folder is a mistake, not a wish to write into the root folder.
    if (arguments.format.empty() || arguments.output.empty()) {
        std::cerr << kCommandLineUsage;
        return 2;
    }
    window.WordVersionCode = FindWordInstallation(window.WordFolder);
    window.m_arrFoundPaths.clear();
    window.ScanFolder("", arguments.source);
    // Nothing to do is no failure, but a mistyped pattern must not look like a finished job.
    if (window.m_arrFoundPaths.empty()) std::cerr << "larkspan: no file matches " << arguments.source << '\n';

    std::string format = paths::ToLowerAscii(arguments.format);
    window.m_nFormat = format == "docx" ? kFormatDocx : kFormatDoc;

    ConversionJob job;
    job.m_arrSources = window.m_arrFoundPaths;
    job.m_nTargetFormat = window.m_nFormat;
    job.m_strOutputFolder = NormalizeOutputFolder(arguments.output);
    job.m_strWordFolder = window.WordFolder;
    job.m_nWordVersionCode = window.WordVersionCode;

    ConverterSettings settings;
    settings.applicationFolder = window.ApplicationFolder;
    std::string warning;
    settings.engineLimits = EngineLimits::FromEnvironment(warning);
    if (!warning.empty()) std::cerr << "larkspan: " << warning << '\n';
    const int engines = EngineCount(job.m_arrSources.size(), warning);
    if (!warning.empty()) std::cerr << "larkspan: " << warning << '\n';

    std::stop_source stop;
    BatchSummary summary;
    int signal = 0;
    {
        InterruptWatch interrupts(stop);
        StderrReport report(job.m_arrSources.size());
        summary = RunUnattended(job, settings, messages, report, engines, stop.get_token());
        signal = interrupts.Signal();
    }
    // Ended by a signal: every engine is gone and nothing half-written is left. A shell loop around this
    // program must learn that it was interrupted, so it ends by that signal.
    if (signal != 0) emergency::EndBySignal(signal);
    return summary.errors == 0 ? 0 : 1;
}

}  // namespace larkspan
