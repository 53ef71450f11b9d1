#include "job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace larkspan::zuv0 {

namespace fs = std::filesystem;

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

Outcome CheckSource(const fs::path& path, Job& job) {
    // Non-blocking, so that a FIFO under a document name cannot stall us before the check below.
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) return Failure(ExitCode::SourceUnreadable, path.native(), std::strerror(errno));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return Failure(ExitCode::SourceUnreadable, path.native(), std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return Failure(ExitCode::SourceUnreadable, path.native(), "not a regular file");
    const Sniffed sniffed = SniffContent(file.get(), static_cast<std::uint64_t>(info.st_size));
    if (sniffed.kind == ContentKind::Encrypted) return Failure(ExitCode::PasswordProtected, path.native());
    if (!sniffed.accepted()) return Failure(ExitCode::NotADocument, path.native(), sniffed.detail);
    job.content = sniffed.kind;
    job.sourceFile = std::move(file);
    return Success();
}

}  // namespace

Outcome PrepareJob(std::string_view sourceArgument, std::string_view targetArgument, Job& job) {
    if (sourceArgument.empty() || targetArgument.empty()) return Failure(ExitCode::Usage, {});

    std::error_code error;
    const fs::path source(sourceArgument);
    if (Outcome checked = CheckSource(source, job); !checked.ok()) return checked;
    job.source = fs::canonical(source, error);
    if (error) return Failure(ExitCode::SourceUnreadable, source.native(), error.message());

    const fs::path target = fs::absolute(fs::path(targetArgument), error);
    if (error || !target.has_filename())
        return Failure(ExitCode::SaveFailed, targetArgument, "not a file name");
    job.format = LowerAscii(target.extension().string());
    if (job.format.size() <= 1)
        return Failure(ExitCode::SaveFailed, target.native(), "no extension to choose the format by");
    job.format.erase(0, 1);

    const fs::path folder = fs::canonical(target.parent_path(), error);
    if (error == std::errc::too_many_symbolic_link_levels)
        return Failure(ExitCode::CannotWriteTarget, target.native(),
                       "its folder is a loop of symbolic links");
    if (error && error != std::errc::no_such_file_or_directory)
        return Failure(ExitCode::CannotWriteTarget, target.native(),
                       "cannot reach its folder: " + error.message());
    if (error || !fs::is_directory(folder, error))
        return Failure(ExitCode::CannotWriteTarget, target.native(), "its folder does not exist");
    // Before LibreOffice does any work. Effective ids, as the writes will be checked: this also sees a
    // read-only mount and an immutable folder, which stop even the superuser.
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return Failure(ExitCode::CannotWriteTarget, target.native(),
                       std::string("cannot write in its folder: ") + std::strerror(errno));
    job.target = folder / target.filename();
    if (fs::is_directory(job.target, error))
        return Failure(ExitCode::SaveFailed, target.native(), "a folder has that name");
    return Success();
}

}  // namespace larkspan::zuv0
