#include "source_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "content_sniff.h"
#include "platform/file_writing.h"
#include "rtf_fields.h"
#include "unique_fd.h"

namespace larkspan::zuv0 {

namespace fs = std::filesystem;

SourceCopy::~SourceCopy() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

Outcome SourceCopy::Make(const Job& job, const fs::path& folder) {
    const std::string& source = job.source.native();
    std::error_code error;
    fs::create_directories(folder, error);
    const fs::path copyPath = folder / job.source.filename();
    UniqueFd copy(error ? -1 : ::open(copyPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (copy.get() < 0)
        return Failure(ExitCode::Internal, source,
                       "cannot copy it for the engine: " + (error ? error.message() : std::strerror(errno)));
    path_ = copyPath;

    std::vector<char> buffer(256 * 1024);
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(job.sourceFile.get(), buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Failure(ExitCode::SourceUnreadable, source, std::strerror(errno));
        if (got == 0) break;
        if (!files::WriteAll(copy.get(), buffer.data(), static_cast<std::size_t>(got)))
            return Failure(ExitCode::Internal, source,
                           std::string("cannot copy it for the engine: ") + std::strerror(errno));
        offset += got;
    }

    // The file may have been rewritten since it was checked: the copy is what counts.
    struct stat info {};
    if (::fstat(copy.get(), &info) != 0)
        return Failure(ExitCode::Internal, source,
                       std::string("cannot copy it for the engine: ") + std::strerror(errno));
    const Sniffed sniffed = SniffContent(copy.get(), static_cast<std::uint64_t>(info.st_size));
    if (sniffed.kind == ContentKind::Encrypted) return Failure(ExitCode::PasswordProtected, source);
    if (!sniffed.accepted()) return Failure(ExitCode::NotADocument, source, sniffed.detail);
    if (sniffed.kind == ContentKind::Rtf && !DisarmPictureFields(copy.get()))
        return Failure(ExitCode::Internal, source,
                       std::string("cannot copy it for the engine: ") + std::strerror(errno));
    return Success();
}

}  // namespace larkspan::zuv0
