#include "batch/file_run.h"

#include <filesystem>

#include "batch/auto_rename.h"
#include "platform/emergency_end.h"
#include "platform/file_writing.h"
#include "platform/replace_file.h"

namespace larkspan {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

// Why a source cannot be taken, or empty when it is there. A link to nothing and a loop of links are told
// apart from a file that went away during the run.
std::string MissingSource(const std::string& source) {
    namespace fs = std::filesystem;
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

}  // namespace

std::optional<FileResult> FileRun::Run(const std::string& source, BatchEnd& end) {
    FileResult result;
    if (result.reason = MissingSource(source); !result.reason.empty()) return result;
    const DocumentKind kind = GetDocumentKind(source);
    result.target = FormatOutputPath(job_.m_strOutputFolder, source, job_.m_nTargetFormat);
    events_.TargetFormed(result.target);
    // What a killed earlier run was writing here goes once this run passes through the folder.
    if (std::string folder = std::filesystem::path(result.target).parent_path().string();
        tidiedFolders_.insert(folder).second) {
        if (folder.empty()) folder = ".";
        files::RemoveStaleTemporaries(folder);
        // Should the run have to end at once, what its engines leave here goes too.
        emergency::AddFolder(folder);
    }

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
            result.reason = "copy failed: " + files::WriteErrorText(error);
            return result;
        }
        result.outcome = FileOutcome::Copied;
        return result;
    }
    const ConversionResult converted =
        ConvertFile(source, result.target, job_.m_nWordVersionCode, settings_, engine_, messages_, stop_);
    result.outcome = converted.produced ? FileOutcome::Converted : FileOutcome::Failed;
    result.reason = converted.reason;
    result.engineMissing = converted.engineMissing;
    return result;
}

FileRun::Settled FileRun::SettleExisting(const std::string& target, bool& rename) {
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

}  // namespace larkspan
