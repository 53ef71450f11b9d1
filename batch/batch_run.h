#pragma once
// The batch loop that the window's worker and the command line share: for each source, in order, form
// the target, settle an existing target by the run's policy, then copy or convert. What each caller shows
// of it (a log, lines on standard error) comes through BatchEvents.

#include <chrono>
#include <cstddef>
#include <optional>
#include <stop_token>
#include <string>

#include "batch/conversion_job.h"
#include "engine/convert_file.h"

namespace larkspan {

class MessageBox;

// The answer to "the target exists": rename or overwrite, and whether that holds for the rest of the run.
struct ExistingFileAnswer {
    bool renameChosen = false;
    bool saveForTask = false;
};

enum class FileOutcome {
    Converted,
    Copied,          // it already had the target format
    AlreadyInPlace,  // the source is its own target and was left untouched
    UpToDate,        // its target is not older than it, and only missing or older ones were asked for
    Failed,          // no target was produced; reason says why
    CannotReplace,   // the existing target may not be replaced; the file was skipped
};

struct FileResult {
    FileOutcome outcome = FileOutcome::Failed;
    std::string target;                    // where the file went, after any renaming
    std::string reason;                    // why it failed; empty otherwise
    bool engineMissing = false;            // no file can be converted; the run ends after this one
    FailureKind kind = FailureKind::None;  // for a failure: the document's fault, or the machine's
    std::chrono::milliseconds took{0};     // from the file's start to its result (the command line's run)
    bool stopped = false;                  // cut short by Stop: not done, rather than failed
    std::string losses{};                  // converted, but the check found these missing
    std::string check{};                   // what the check found, as JSON; empty when it did not run

    bool ok() const {
        return outcome == FileOutcome::Converted || outcome == FileOutcome::Copied ||
               outcome == FileOutcome::AlreadyInPlace || outcome == FileOutcome::UpToDate;
    }
};

class BatchEvents {
public:
    virtual ~BatchEvents() = default;
    virtual void FileStarted(std::size_t index, const std::string& source) = 0;
    // The target as first formed, before an existing file is settled. Not called for a source that is gone.
    virtual void TargetFormed(const std::string& target) = 0;
    // The target exists and the policy is to ask. nullopt ends the run at once.
    virtual std::optional<ExistingFileAnswer> AskAboutExisting(const std::string& target) = 0;
    // The existing target gave way to a numbered name.
    virtual void TargetRenamed(const std::string& target) = 0;
    virtual void FileFinished(std::size_t index, const FileResult& result) = 0;
};

enum class BatchEnd {
    Completed,  // every file was attempted
    Cancelled,  // an existing-file question was answered with Cancel
    Stopped,    // stop was requested
    NoEngine,   // the conversion engine is missing or does not start; the files left count as errors
};

struct BatchSummary {
    int total = 0;
    int errors = 0;      // files that produced no target
    int withLosses = 0;  // converted, but the check found something missing
    BatchEnd end = BatchEnd::Completed;
};

// Runs the job to its end, on engines kept for all its files: as many as the command line takes, the files
// whose target is new going ahead of their turn on the free ones (batch/file_ahead.h); everything is told in
// the files' order. The policy in job changes when an answer is to hold for the rest of the run.
BatchSummary RunBatch(ConversionJob& job, const ConverterSettings& settings, MessageBox& messages,
                      BatchEvents& events, std::stop_token stop = {});

}  // namespace larkspan
