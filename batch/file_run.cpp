#include "batch/file_run.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "batch/auto_rename.h"
#include "platform/emergency_end.h"
#include "platform/file_writing.h"
#include "platform/replace_file.h"

namespace larkspan {
namespace {

namespace fs = std::filesystem;

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// Why a source cannot be taken, or empty when it is there. A link to nothing and a loop of links are told
// apart from a file that went away during the run.
std::string MissingSource(const std::string& source) {
    std::error_code error;
    const fs::file_status status = fs::status(source, error);
    if (!error && status.type() != fs::file_type::not_found) return {};
    if (error == std::errc::too_many_symbolic_link_levels) return "it is a loop of symbolic links";
    std::error_code ignored;
    if (fs::is_symlink(fs::symlink_status(source, ignored)))
        return "it is a symbolic link to something that does not exist";
    if (error && error != std::errc::no_such_file_or_directory) return "cannot reach it: " + error.message();
    return "the file no longer exists";
}

// True when target exists and is not older than source; with keepTimes, when it has source's very time,
// which only a run that gave it that time wrote.
bool UpToDate(const std::string& source, const std::string& target, bool keepTimes) {
    struct stat from {
    }, to{};
    if (::stat(source.c_str(), &from) != 0 || ::stat(target.c_str(), &to) != 0 || !S_ISREG(to.st_mode))
        return false;
    const auto time = [](const struct stat& info) {
        return std::pair(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    };
    return keepTimes ? time(to) == time(from) : time(to) >= time(from);
}

// Gives target source's modification time, leaving its access time as it is.
std::error_code KeepTime(const std::string& source, const std::string& target) {
    struct stat from {};
    if (::stat(source.c_str(), &from) != 0) return {errno, std::generic_category()};
    const timespec times[2] = {{0, UTIME_OMIT}, from.st_mtim};
    if (::utimensat(AT_FDCWD, target.c_str(), times, 0) != 0) return {errno, std::generic_category()};
    return {};
}

FileResult Failure(FileResult result, std::string reason, FailureKind kind) {
    result.outcome = FileOutcome::Failed;
    result.reason = std::move(reason);
    result.kind = kind;
    return result;
}

}  // namespace

std::optional<FileResult> FileRun::Run(std::size_t index, BatchEnd& end, BatchEvents& events) {
    const std::string& source = job_.m_arrSources[index];
    FileResult result;
    if (std::string missing = MissingSource(source); !missing.empty())
        return Failure(result, std::move(missing), FailureKind::Document);
    const DocumentKind kind = GetDocumentKind(source);
    const std::string& folder = job_.TargetFolder(index);
    result.target = FormatOutputPath(folder, source, job_.m_nTargetFormat);
    events.TargetFormed(result.target);
    // A tree's target folders are made as the run reaches them.
    if (std::error_code error;
        !folder.empty() && !fs::is_directory(folder) && (fs::create_directories(folder, error), error))
        return Failure(result, "cannot make the folder " + folder + ": " + files::WriteErrorText(error),
                       FailureKind::Outside);
    // What a killed earlier run was writing here goes once this run passes through the folder.
    if (std::string tidied = folder.empty() ? "." : folder; tidiedFolders_.insert(tidied).second) {
        files::RemoveStaleTemporaries(tidied);
        // Should the run have to end at once, what its engines leave here goes too.
        emergency::AddFolder(tidied);
    }
    if (job_.m_bUpdateOnly && UpToDate(source, result.target, job_.m_bKeepTimes)) {
        result.outcome = FileOutcome::UpToDate;
        return result;
    }

    if (PathFound(result.target)) {
        bool rename = false;
        switch (SettleExisting(result.target, rename, events)) {
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
            events.TargetRenamed(result.target);
        } else if (SameFile(source, result.target)) {
            result.outcome = FileOutcome::AlreadyInPlace;
            return result;
        } else if (std::error_code error = files::CheckReplaceable(result.target)) {
            result = Failure(result, "cannot replace " + result.target + ": " + error.message(),
                             FailureKind::Outside);
            result.outcome = FileOutcome::CannotReplace;
            return result;
        }
    }

    if (!NeedsConversion(kind, job_.m_nTargetFormat)) {
        if (std::error_code error = files::CopyFileReplacing(source, result.target, stop_)) {
            result.stopped = error == std::errc::operation_canceled;
            return Failure(result, "copy failed: " + files::WriteErrorText(error),
                           MissingSource(source).empty() ? FailureKind::Outside : FailureKind::Document);
        }
        result.outcome = FileOutcome::Copied;
    } else {
        const ConversionResult converted =
            ConvertFile(source, result.target, job_.m_nWordVersionCode, settings_, engine_, messages_, stop_);
        result.engineMissing = converted.engineMissing;
        result.stopped = converted.stopped;
        result.losses = converted.losses;
        result.check = converted.check;
        if (!converted.produced) return Failure(result, converted.reason, converted.kind);
        result.outcome = FileOutcome::Converted;
    }
    if (job_.m_bKeepTimes) {
        if (std::error_code error = KeepTime(source, result.target))
            return Failure(result, "written, but its time could not be set: " + error.message(),
                           FailureKind::Outside);
    }
    return result;
}

FileRun::Settled FileRun::SettleExisting(const std::string& target, bool& rename, BatchEvents& events) {
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
    std::optional<ExistingFileAnswer> answer = events.AskAboutExisting(target);
    if (stop_.stop_requested()) return Settled::Stopped;
    if (!answer) return Settled::Cancelled;
    rename = answer->renameChosen;
    if (answer->saveForTask) job_.m_nExistingFilePolicy = rename ? PolicyAutoRename : PolicyOverwrite;
    return Settled::Go;
}

}  // namespace larkspan
