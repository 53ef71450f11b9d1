#include "platform/replace_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <vector>

#include "platform/emergency_end.h"
#include "platform/file_writing.h"
#include "platform/process.h"

namespace larkspan::files {
namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Closes on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports what close says: on some file systems that is where a write fails.
    std::error_code Close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? std::error_code() : LastError();
    }

private:
    int fd_;
};

std::error_code CopyContent(int from, int to, std::stop_token stop) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        if (stop.stop_requested()) return std::make_error_code(std::errc::operation_canceled);
        ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        if (got == 0) return {};
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) return LastError();
    }
}

// The process id in a temporary's name (".NAME.larkspan-PID-XXXXXX", ".NAME.zuv0-PID-XXXXXX.ext"); 0 for
// any other name.
pid_t TemporaryWriter(std::string_view name) {
    for (std::string_view infix : {".larkspan-", ".zuv0-"}) {
        const std::size_t at = name.rfind(infix);
        if (at == std::string_view::npos) continue;
        std::string_view rest = name.substr(at + infix.size());
        const std::size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string_view::npos || dash > 9) continue;
        if (rest.substr(0, dash).find_first_not_of("0123456789") != std::string_view::npos) continue;
        // What follows the id is the six characters mkstemp made, and for the converter the extension.
        const std::string_view unique = rest.substr(dash + 1);
        const auto isUnique = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
        if (unique.size() < 6 || !std::all_of(unique.begin(), unique.begin() + 6, isUnique) ||
            (unique.size() > 6 && unique[6] != '.'))
            continue;
        return static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
    }
    return 0;
}

}  // namespace

std::error_code CheckReplaceable(const std::string& path) {
    struct stat target {};
    if (::lstat(path.c_str(), &target) != 0) return errno == ENOENT ? std::error_code() : LastError();
    if (S_ISDIR(target.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    const std::string folder = FolderOf(path);
    // Effective ids, as the open and the rename will be checked; this also sees read-only mounts and
    // immutable files and folders, which stop even the superuser.
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return LastError();
    if (S_ISREG(target.st_mode) && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return LastError();
    // In a sticky folder (like /tmp) only the owner of a file or of the folder may replace it.
    struct stat folderInfo {};
    if (::stat(folder.c_str(), &folderInfo) == 0 && (folderInfo.st_mode & S_ISVTX)) {
        const uid_t me = ::geteuid();
        if (me != 0 && me != target.st_uid && me != folderInfo.st_uid)
            return std::make_error_code(std::errc::operation_not_permitted);
    }
    return {};
}

std::error_code CopyFileReplacing(const std::string& source, const std::string& target, std::stop_token stop,
                                  std::optional<mode_t> mode) {
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0) return LastError();
    struct stat info {};
    if (::fstat(in.get(), &info) != 0) return LastError();
    // A FIFO or a device named like a document would block or never end.
    if (!S_ISREG(info.st_mode)) return std::make_error_code(std::errc::invalid_argument);

    // The process id in the name tells a later run whether the writer of a leftover is still at work.
    std::string temporary =
        FolderOf(target) + "/." + NameOf(target) + ".larkspan-" + std::to_string(::getpid()) + "-XXXXXX";
    FileDescriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.get() < 0) return LastError();
    emergency::AddTemporary(temporary);

    std::error_code error = CopyContent(in.get(), out.get(), stop);
    if (!error && ::fchmod(out.get(), mode.value_or(NewFileMode())) != 0) error = LastError();
    if (!error && ::fsync(out.get()) != 0) error = LastError();
    std::error_code closed = out.Close();
    if (!error) error = closed;
    if (!error && stop.stop_requested()) error = std::make_error_code(std::errc::operation_canceled);
    if (!error && ::rename(temporary.c_str(), target.c_str()) != 0) error = LastError();
    if (error) ::unlink(temporary.c_str());
    emergency::RemoveTemporary(temporary);
    return error;
}

int RemoveStaleTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(".")) continue;
        const pid_t writer = TemporaryWriter(name);
        // A zombie has stopped writing; an unrelated process that got the id since is left the benefit of the
        // doubt.
        if (writer <= 0 || process::IsRunning(writer)) continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
            continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace larkspan::files
