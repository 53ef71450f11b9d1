#include "atomic_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "byte_reader.h"
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

// The permissions a newly created file gets in this process; mkstemp's 0600 is not what a user expects
// of a converted document. Read from /proc rather than with umask(), which would change it for a moment
// under LibreOffice's threads.
mode_t NewFileMode() {
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Umask:", 0) == 0) {
            mask = static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
            break;
        }
    }
    return 0666 & ~mask;
}

class OutputCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "zuv0.output"; }
    std::string message(int value) const override {
        return value == static_cast<int>(OutputError::EmptyResult) ? "the engine wrote an empty file"
                                                                   : "output error";
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

std::error_code AtomicOutput::Open(const fs::path& target) {
    Discard();
    const std::string extension = target.extension().string();
    const std::string marker = ".zuv0-" + std::to_string(::getpid()) + "-XXXXXX";
    std::string base = target.filename().string();
    const std::size_t fixed = 1 + marker.size() + extension.size();
    base = fixed < kMaxNameBytes ? CutUtf8(base, kMaxNameBytes - fixed) : std::string();
    std::string pattern = (target.parent_path() / ("." + base + marker + extension)).string();

    const int fd = ::mkostemps(pattern.data(), static_cast<int>(extension.size()), O_CLOEXEC);
    if (fd < 0) return LastError();
    ::close(fd);
    target_ = target;
    temporary_ = pattern;
    return {};
}

std::error_code AtomicOutput::Commit() {
    struct stat info {};
    if (::stat(temporary_.c_str(), &info) != 0) return LastError();
    if (info.st_size == 0) return OutputError::EmptyResult;
    if (::chmod(temporary_.c_str(), NewFileMode()) != 0) return LastError();

    const int fd = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LastError();
    const bool synced = ::fsync(fd) == 0;
    const std::error_code syncError = synced ? std::error_code{} : LastError();
    ::close(fd);
    if (!synced) return syncError;

    if (::rename(temporary_.c_str(), target_.c_str()) != 0) return LastError();
    temporary_.clear();

    // Make the rename itself durable; the file is in place either way, so a failure here is not reported.
    if (const int folder = ::open(target_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

std::error_code AtomicOutput::Fill(const fs::path& from) {
    UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return LastError();
    UniqueFd out(::open(temporary_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (out.get() < 0) return LastError();
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return LastError();
        if (got == 0) break;
        if (!WriteAll(out.get(), buffer.data(), static_cast<std::size_t>(got))) return LastError();
    }
    // Some file systems report a full disk only when the file is closed.
    return ::close(out.Release()) == 0 ? std::error_code{} : LastError();
}

std::string OutputErrorText(std::error_code error) {
    if (error == std::errc::no_space_on_device || error.value() == EDQUOT) return "disk full";
    return error.message();
}

void AtomicOutput::Discard() {
    if (temporary_.empty()) return;
    ::unlink(temporary_.c_str());
    temporary_.clear();
}

}  // namespace larkspan::zuv0
