#include <iostream>

#include "app/command_line.h"
#include "batch/batch_run.h"
#include "engine/convert_file.h"
#include "engine/word_location.h"
#include "mainwindow/main_window.h"
#include "platform/message_box.h"
#include "platform/paths.h"

namespace larkspan {

namespace {

// Without a window there is no one to ask and no log: existing targets are replaced, and each failure is
// one line on standard error naming the source.
class StderrFailures final : public BatchEvents {
public:
    void FileStarted(std::size_t, const std::string& source) override { source_ = source; }
    void TargetFormed(const std::string&) override {}
    std::optional<ExistingFileAnswer> AskAboutExisting(const std::string&) override {
        return ExistingFileAnswer{};
    }
    void TargetRenamed(const std::string&) override {}
    void FileFinished(std::size_t, const FileResult& result) override {
        if (!result.ok()) std::cerr << source_ << ": " << result.reason << '\n';
    }

private:
    std::string source_;
};

}  // namespace

int MainWindow::RunCommandLineConversion(const CommandLineArguments& arguments, MessageBox& messages) {
    WordVersionCode = FindWordInstallation(WordFolder);
    m_arrFoundPaths.clear();
    ScanFolder("", arguments.source);

    std::string format = paths::ToLowerAscii(arguments.format);
    m_nFormat = format == "docx" ? kFormatDocx : kFormatDoc;

    ConversionJob job;
    job.m_arrSources = m_arrFoundPaths;
    job.m_nTargetFormat = m_nFormat;
    job.m_strOutputFolder = NormalizeOutputFolder(arguments.output);
    job.m_nExistingFilePolicy = PolicyOverwrite;
    job.m_strWordFolder = WordFolder;
    job.m_nWordVersionCode = WordVersionCode;

    ConverterSettings settings;
    settings.applicationFolder = ApplicationFolder;
    StderrFailures failures;
    BatchSummary summary = RunBatch(job, settings, messages, failures);
    return summary.errors == 0 ? 0 : 1;
}

}  // namespace larkspan
