#include "atomic_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_writing.h"
#include "unique_fd.h"

namespace larkspan::zuv0 {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxNameBytes = 255;

std::error_code LastError() {
    return {errno, std::generic_category()};
}

// Cuts a UTF-8 name to at most `limit` bytes without splitting a character: LibreOffice reads file names as
// UTF-8 and would not find a file whose name ends in half a character.
std::string CutUtf8(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

class OutputCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "zuv0.output"; }
    std::string message(int value) const override {
        switch (static_cast<OutputError>(value)) {
            case OutputError::EmptyResult:
                return "the engine wrote an empty file";
            case OutputError::TemporaryReplaced:
                return "something else took the place of its temporary file";
        }
        return "output error";
    }
};

}  // namespace

std::error_code make_error_code(OutputError error) {
    static const OutputCategory category;
    return {static_cast<int>(error), category};
}

AtomicOutput::~AtomicOutput() {
    Discard();
}

void AtomicOutput::Close() {
    if (file_ >= 0) ::close(file_);
    if (folder_ >= 0) ::close(folder_);
    file_ = folder_ = -1;
}

std::error_code AtomicOutput::Open(const fs::path& target) {
    Discard();
    const std::string extension = target.extension().string();
    const std::string marker = ".zuv0-" + std::to_string(::getpid()) + "-XXXXXX";
    std::string base = target.filename().string();
    const std::size_t fixed = 1 + marker.size() + extension.size();
    base = fixed < kMaxNameBytes ? CutUtf8(base, kMaxNameBytes - fixed) : std::string();
    std::string pattern = (target.parent_path() / ("." + base + marker + extension)).string();

    folder_ = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) return LastError();
    file_ = ::mkostemps(pattern.data(), static_cast<int>(extension.size()), O_CLOEXEC);
    if (file_ < 0) {
        const std::error_code error = LastError();
        Close();
        return error;
    }
    name_ = target.filename().string();
    temporary_ = pattern;
    return {};
}

std::error_code AtomicOutput::Fill(const fs::path& from) {
    UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return LastError();
    if (::ftruncate(file_, 0) != 0 || ::lseek(file_, 0, SEEK_SET) != 0) return LastError();
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return LastError();
        if (got == 0) break;
        if (!files::WriteAll(file_, buffer.data(), static_cast<std::size_t>(got))) return LastError();
    }
    return {};
}

std::error_code AtomicOutput::Commit() {
    struct stat info {};
    if (::fstat(file_, &info) != 0) return LastError();
    if (info.st_size == 0) return OutputError::EmptyResult;
    if (::fchmod(file_, files::NewFileMode()) != 0) return LastError();
    if (::fsync(file_) != 0) return LastError();
    // Some file systems report a full disk only when the file is closed.
    const int file = std::exchange(file_, -1);
    if (::close(file) != 0) return LastError();

    // The name must still be the file written: something else put in its place is neither renamed onto the
    // target nor removed.
    const std::string temporaryName = temporary_.filename().string();
    struct stat named {};
    if (::fstatat(folder_, temporaryName.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) return LastError();
    if (named.st_dev != info.st_dev || named.st_ino != info.st_ino) {
        temporary_.clear();
        return OutputError::TemporaryReplaced;
    }
    if (::renameat(folder_, temporaryName.c_str(), folder_, name_.c_str()) != 0) return LastError();
    temporary_.clear();
    // Make the rename itself durable; the file is in place either way, so a failure here is not reported.
    ::fsync(folder_);
    Close();
    return {};
}

void AtomicOutput::Discard() {
    if (!temporary_.empty()) {
        if (folder_ >= 0)
            ::unlinkat(folder_, temporary_.filename().c_str(), 0);
        else
            ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    Close();
}

}  // namespace larkspan::zuv0
