#include "batch/batch_run.h"

#include <filesystem>

#include "batch/auto_rename.h"
#include "platform/replace_file.h"

namespace larkspan {
namespace {

// What settling one file came to, before anything was written.
enum class Settled { Go, Cancelled, Stopped };

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

class FileRun {
public:
    FileRun(ConversionJob& job, const ConverterSettings& settings, MessageBox& messages, BatchEvents& events,
            std::stop_token stop)
        : job_(job), settings_(settings), messages_(messages), events_(events), stop_(std::move(stop)) {}

    // The result of one source; nullopt when the run ends before the file is done.
    std::optional<FileResult> Run(const std::string& source, BatchEnd& end) {
        FileResult result;
        if (!FileExists(source)) {
            result.reason = "the file no longer exists";
            return result;
        }
        const DocumentKind kind = GetDocumentKind(source);
        result.target = FormatOutputPath(job_.m_strOutputFolder, source, job_.m_nTargetFormat);
        events_.TargetFormed(result.target);

        if (PathFound(result.target)) {
            bool rename = false;
            switch (SettleExisting(result.target, rename)) {
                case Settled::Cancelled:
                    end = BatchEnd::Cancelled;
                    return std::nullopt;
                case Settled::Stopped:
                    end = BatchEnd::Stopped;
                    return std::nullopt;
                case Settled::Go:
                    break;
            }
            if (rename) {
                result.target = AutoRenamePath(result.target);
                events_.TargetRenamed(result.target);
            } else if (SameFile(source, result.target)) {
                result.outcome = FileOutcome::AlreadyInPlace;
                return result;
            } else if (std::error_code error = files::CheckReplaceable(result.target)) {
                result.outcome = FileOutcome::CannotReplace;
                result.reason = "cannot replace " + result.target + ": " + error.message();
                return result;
            }
        }

        if (!NeedsConversion(kind, job_.m_nTargetFormat)) {
            if (std::error_code error = files::CopyFileReplacing(source, result.target, stop_)) {
                result.reason = "copy failed: " + error.message();
                return result;
            }
            result.outcome = FileOutcome::Copied;
            return result;
        }
        ConversionResult converted = ConvertFile(source, result.target, job_.m_nWordVersionCode,
                                                 job_.m_strWordFolder, settings_, messages_, stop_);
        result.outcome = converted.produced ? FileOutcome::Converted : FileOutcome::Failed;
        result.reason = converted.reason;
        return result;
    }

private:
    Settled SettleExisting(const std::string& target, bool& rename) {
        switch (job_.m_nExistingFilePolicy) {
            case PolicyOverwrite:
                rename = false;
                return Settled::Go;
            case PolicyAutoRename:
                rename = true;
                return Settled::Go;
            case PolicyAsk:
                break;
        }
        std::optional<ExistingFileAnswer> answer = events_.AskAboutExisting(target);
        if (stop_.stop_requested()) return Settled::Stopped;
        if (!answer) return Settled::Cancelled;
        rename = answer->renameChosen;
        if (answer->saveForTask) job_.m_nExistingFilePolicy = rename ? PolicyAutoRename : PolicyOverwrite;
        return Settled::Go;
    }

    ConversionJob& job_;
    const ConverterSettings& settings_;
    MessageBox& messages_;
    BatchEvents& events_;
    std::stop_token stop_;
};

}  // namespace

BatchSummary RunBatch(ConversionJob& job, const ConverterSettings& settings, MessageBox& messages,
                      BatchEvents& events, std::stop_token stop) {
    BatchSummary summary;
    summary.total = static_cast<int>(job.m_arrSources.size());
    FileRun run(job, settings, messages, events, stop);
    for (std::size_t index = 0; index < job.m_arrSources.size(); ++index) {
        if (stop.stop_requested()) {
            summary.end = BatchEnd::Stopped;
            return summary;
        }
        const std::string source = job.m_arrSources[index];
        events.FileStarted(index, source);
        std::optional<FileResult> result = run.Run(source, summary.end);
        if (!result) return summary;
        // A conversion cut short by Stop is not a result: the run ends with nothing more said.
        if (stop.stop_requested()) {
            summary.end = BatchEnd::Stopped;
            return summary;
        }
        if (!result->ok()) ++summary.errors;
        events.FileFinished(index, *result);
    }
    return summary;
}

}  // namespace larkspan
