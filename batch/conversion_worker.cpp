#include "batch/conversion_worker.h"

#include <cstdio>

#include "engine/automation/thread_init.h"
#include "platform/message_box.h"

namespace larkspan {
namespace {

// The lines end in '\n', this platform's line end; each line says which file it is about.
class WorkerLog final : public BatchEvents {
public:
    WorkerLog(int total, ConversionProgress& progress, ExistingFileQuestion& question)
        : total_(total), progress_(progress), question_(question) {}

    void FileStarted(std::size_t, const std::string& source) override {
        progress_.AdvanceStatus();
        progress_.AppendLog("From: " + source + "\n");
    }
    void TargetFormed(const std::string& target) override { progress_.AppendLog("  To: " + target + "\n"); }
    std::optional<ExistingFileAnswer> AskAboutExisting(const std::string& target) override {
        return question_.Ask(ExistingFileMessage(target));
    }
    void TargetRenamed(const std::string& target) override {
        // The "To:" line names the target as first formed; this one says where the file really goes.
        progress_.AppendLog("  Renamed: " + target + "\n");
    }
    void FileFinished(std::size_t index, const FileResult& result) override {
        // Converted, but not whole: what went missing, under the file's own lines.
        if (result.ok() && !result.losses.empty()) progress_.AppendLog("  Check: " + result.losses + "\n");
        switch (result.outcome) {
            case FileOutcome::Converted:
            case FileOutcome::Failed:
                if (result.outcome == FileOutcome::Failed)
                    progress_.AppendLog("  Error: " + result.reason + "\n");
                progress_.SetProgress(static_cast<int>((static_cast<long long>(index) + 1) * 100 / total_));
                break;
            case FileOutcome::CannotReplace:
                progress_.AppendLog(std::string("  Error: ") + kSaveFileError + "\n");
                break;
            case FileOutcome::Copied:
            case FileOutcome::AlreadyInPlace:
            case FileOutcome::UpToDate:  // not asked for in the window
                // A copy does not move the bar.
                break;
        }
    }

private:
    int total_;
    ConversionProgress& progress_;
    ExistingFileQuestion& question_;
};

}  // namespace

std::string ExistingFileMessage(std::string_view target) {
    return "The file \"" + std::string(target) +
           "\" has already existed!\n\nPlease select the settings you want.";
}

std::string TotalsLine(int total, int errors, int withLosses) {
    char line[160];
    if (withLosses == 0)
        std::snprintf(line, sizeof line, "\nTotal files: %d; Converted: %d; Error: %d.", total,
                      total - errors, errors);
    else
        std::snprintf(line, sizeof line, "\nTotal files: %d; Converted: %d; With losses: %d; Error: %d.",
                      total, total - errors, withLosses, errors);
    return line;
}

BatchSummary RunConversionWorker(ConversionJob& job, const ConverterSettings& settings,
                                 ConversionProgress& progress, ExistingFileQuestion& question,
                                 MessageBox& messages, std::stop_token stop) {
    BatchSummary summary;
    if (!automation::InitializeThread()) {
        // The window keeps its running state until the user presses Stop.
        messages.Show(automation::kInitializeFailed);
        summary.end = BatchEnd::Stopped;
        return summary;
    }
    WorkerLog log(static_cast<int>(job.m_arrSources.size()), progress, question);
    summary = RunBatch(job, settings, messages, log, stop);
    if (summary.end == BatchEnd::Completed || summary.end == BatchEnd::NoEngine)
        progress.AppendLog(TotalsLine(summary.total, summary.errors, summary.withLosses));
    else if (summary.end == BatchEnd::Cancelled)
        // Without it the last "From:"/"To:" pair reads as a file written; there are no totals to say so.
        progress.AppendLog(std::string(kCancelledLine) + "\n");
    automation::UninitializeThread();
    // Files with losses are kept in view as failures are.
    if (summary.end != BatchEnd::Stopped) progress.ConversionDone(summary.errors + summary.withLosses);
    return summary;
}

}  // namespace larkspan
