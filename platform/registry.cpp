#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <vector>

#include "platform/hive_text.h"
#include "platform/paths.h"

namespace larkspan::registry {
namespace fs = std::filesystem;

namespace {

std::string FullKeyPath(Root root, std::string_view subKey) {
    std::string path(RootName(root));
    std::string_view rest = subKey;
    while (!rest.empty() && rest.front() == '\\') rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
    if (!rest.empty()) {
        path += '\\';
        path += rest;
    }
    return path;
}

// Holds an exclusive lock on the hive's lock file for as long as it lives.
class HiveLock {
public:
    explicit HiveLock(const fs::path& hive) {
        fs::path lockPath = hive;
        lockPath += ".lock";
        fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            error_ = std::error_code(errno, std::generic_category());
            return;
        }
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                error_ = std::error_code(errno, std::generic_category());
                return;
            }
        }
    }
    ~HiveLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    const std::error_code& error() const { return error_; }

private:
    int fd_ = -1;
    std::error_code error_;
};

enum class LoadState { Loaded, Missing, Corrupt };

struct LoadResult {
    LoadState state = LoadState::Missing;
    Hive hive;
    std::string problem;
};

// Far more than any settings file holds; a larger file is not read at all, so that nothing stalls on it.
constexpr std::uint64_t kMaxHiveSize = 64 * 1024 * 1024;

// The hive's bytes, or a problem: only a regular file of a sane size is read (a FIFO or a device in its
// place would block or never end).
bool ReadHiveFile(const fs::path& path, std::string& text, std::string& problem) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        problem = std::string("cannot be read: ") + std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = false;
    if (::fstat(fd, &st) != 0) {
        problem = std::string("cannot be read: ") + std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        problem = "not a regular file";
    } else if (static_cast<std::uint64_t>(st.st_size) > kMaxHiveSize) {
        problem = "larger than " + std::to_string(kMaxHiveSize >> 20) + " MiB";
    } else {
        text.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        ok = true;
        // A file that grows meanwhile is read up to its size at the start; one that shrinks ends early.
        while (done < text.size()) {
            ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                problem = std::string("cannot be read: ") + std::strerror(errno);
                ok = false;
                break;
            }
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
        }
        text.resize(done);
    }
    ::close(fd);
    return ok;
}

LoadResult LoadHive(const fs::path& path) {
    LoadResult result;
    std::error_code ec;
    if (fs::symlink_status(path, ec).type() == fs::file_type::not_found) return result;
    std::string text;
    if (!ReadHiveFile(path, text, result.problem)) {
        result.state = LoadState::Corrupt;
        return result;
    }
    std::string parseError;
    if (!ParseHive(text, result.hive, parseError)) {
        result.state = LoadState::Corrupt;
        result.problem = parseError;
        return result;
    }
    result.state = LoadState::Loaded;
    return result;
}

// Renames without ever replacing what already has the new name.
std::error_code RenameNoReplace(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS) return {errno, std::generic_category()};
    // A file system without that kind of rename: a hard link never replaces either.
    if (::link(from.c_str(), to.c_str()) != 0) return {errno, std::generic_category()};
    if (::unlink(from.c_str()) != 0) return {errno, std::generic_category()};
    return {};
}

// Keeps an unreadable hive under a new name so that nobody's settings are silently overwritten: a second
// failure within the same second gets a numbered name instead of taking the first one's.
// Called with the hive's lock held.
std::error_code MoveAside(const fs::path& path, const std::string& problem) {
    std::error_code ec;
    if (fs::symlink_status(path, ec).type() == fs::file_type::not_found) return {};
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    fs::path aside;
    for (int n = 0; n < 1000; ++n) {
        aside = path;
        aside += std::string(".unreadable-") + stamp + (n ? "-" + std::to_string(n) : std::string());
        ec = RenameNoReplace(path, aside);
        if (ec != std::errc::file_exists) break;
    }
    if (ec) {
        std::cerr << "larkspan: the registry hive " << path << " is unreadable (" << problem
                  << ") and could not be moved aside: " << ec.message() << '\n';
    } else {
        std::cerr << "larkspan: the registry hive " << path << " is unreadable (" << problem
                  << "); it was kept as " << aside << " and a new hive is started\n";
    }
    return ec;
}

// Reads a hive for a query. An unreadable one is moved aside (under the lock) and reads as empty.
Hive ReadHive(const fs::path& path) {
    LoadResult loaded = LoadHive(path);
    if (loaded.state != LoadState::Corrupt) return std::move(loaded.hive);
    HiveLock lock(path);
    if (lock.error()) {
        std::cerr << "larkspan: the registry hive " << path << " is unreadable (" << loaded.problem << ")\n";
        return {};
    }
    loaded = LoadHive(path);  // another process may have settled it meanwhile
    if (loaded.state == LoadState::Corrupt) {
        MoveAside(path, loaded.problem);  // reported either way; the read goes on with the defaults
        return {};
    }
    return std::move(loaded.hive);
}

std::error_code WriteFileAtomically(const fs::path& path, const std::string& text) {
    fs::path temp = path;
    temp += ".tmp-" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return {errno, std::generic_category()};
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            std::error_code ec(errno, std::generic_category());
            ::close(fd);
            ::unlink(temp.c_str());
            return ec;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        std::error_code ec(errno, std::generic_category());
        ::unlink(temp.c_str());
        return ec;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        std::error_code ec(errno, std::generic_category());
        ::unlink(temp.c_str());
        return ec;
    }
    return {};
}

// Runs change on the hive under the exclusive lock and saves the result.
template <typename Change>
std::error_code ModifyHive(const fs::path& path, Change change) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) return ec;
    HiveLock lock(path);
    if (lock.error()) return lock.error();
    LoadResult loaded = LoadHive(path);
    if (loaded.state == LoadState::Corrupt) {
        // Never write over a hive that could not be kept aside: the write fails instead.
        if (std::error_code kept = MoveAside(path, loaded.problem)) return kept;
        loaded.hive = {};
    }
    if (std::error_code changeError = change(loaded.hive)) return changeError;
    return WriteFileAtomically(path, FormatHive(loaded.hive));
}

enum class KeyMissing { Create, Fail };

std::error_code SetInHive(Root root, std::string_view subKey, std::string_view name, Value value,
                          KeyMissing missing) {
    std::string full = FullKeyPath(root, subKey);
    if (!StorableName(full) || !StorableName(name)) return std::make_error_code(std::errc::invalid_argument);
    return ModifyHive(HivePath(root), [&](Hive& hive) -> std::error_code {
        if (missing == KeyMissing::Fail && !hive.HasKey(full))
            return std::make_error_code(std::errc::no_such_file_or_directory);
        hive.SetValue(full, name, std::move(value));
        return {};
    });
}

bool HiveWritable(const fs::path& path) {
    std::error_code ec;
    if (fs::exists(path, ec))
        return ::access(path.c_str(), W_OK) == 0 && ::access(path.parent_path().c_str(), W_OK) == 0;
    return ::access(path.parent_path().c_str(), W_OK) == 0;
}

}  // namespace

std::filesystem::path HivePath(Root root) {
    const char* fileName = root == Root::CurrentUser ? "user.reg" : "machine.reg";
    if (const char* dir = std::getenv("LARKSPAN_REGISTRY_DIR"); dir && *dir) return fs::path(dir) / fileName;
    if (root == Root::CurrentUser) return paths::ConfigHome() / "larkspan" / fileName;
    return fs::path("/etc/larkspan") / fileName;
}

std::string_view RootName(Root root) {
    switch (root) {
        case Root::CurrentUser:
            return "HKEY_CURRENT_USER";
        case Root::LocalMachine:
            return "HKEY_LOCAL_MACHINE";
        case Root::ClassesRoot:
            return "HKEY_CLASSES_ROOT";
    }
    return "";
}

bool KeyExists(Root root, std::string_view subKey) {
    Hive hive = ReadHive(HivePath(root));
    return hive.HasKey(FullKeyPath(root, subKey));
}

std::optional<Key> Key::Open(Root root, std::string_view subKey, Access access) {
    if (!KeyExists(root, subKey)) return std::nullopt;
    if (access == Access::Write && !HiveWritable(HivePath(root))) return std::nullopt;
    return Key(root, std::string(subKey), access);
}

std::optional<Key> Key::Create(Root root, std::string_view subKey, std::error_code& error) {
    std::string full = FullKeyPath(root, subKey);
    if (!StorableName(full)) {
        error = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    error = ModifyHive(HivePath(root), [&](Hive& hive) {
        hive.CreateKey(full);
        return std::error_code{};
    });
    if (error) return std::nullopt;
    return Key(root, std::string(subKey), Access::Write);
}

std::optional<Value> QueryValue(Root root, std::string_view subKey, std::string_view name) {
    Hive hive = ReadHive(HivePath(root));
    const Value* value = hive.FindValue(FullKeyPath(root, subKey), name);
    if (!value) return std::nullopt;
    return *value;
}

std::error_code WriteValue(Root root, std::string_view subKey, std::string_view name, Value value) {
    return SetInHive(root, subKey, name, std::move(value), KeyMissing::Create);
}

std::error_code WriteValues(Root root, std::string_view subKey,
                            std::span<const std::pair<std::string_view, Value>> values) {
    const std::string full = FullKeyPath(root, subKey);
    if (!StorableName(full)) return std::make_error_code(std::errc::invalid_argument);
    for (const auto& [name, value] : values)
        if (!StorableName(name)) return std::make_error_code(std::errc::invalid_argument);
    return ModifyHive(HivePath(root), [&](Hive& hive) -> std::error_code {
        for (const auto& [name, value] : values) hive.SetValue(full, name, value);
        return {};
    });
}

std::optional<Value> Key::Query(std::string_view name) const {
    return QueryValue(root_, subKey_, name);
}

std::optional<std::string> Key::QueryString(std::string_view name) const {
    std::optional<Value> value = Query(name);
    if (!value) return std::nullopt;
    if (const auto* text = std::get_if<std::string>(&*value)) return *text;
    return std::nullopt;
}

std::optional<std::uint32_t> Key::QueryDword(std::string_view name) const {
    std::optional<Value> value = Query(name);
    if (!value) return std::nullopt;
    if (const auto* number = std::get_if<std::uint32_t>(&*value)) return *number;
    return std::nullopt;
}

std::error_code Key::SetString(std::string_view name, std::string_view text) const {
    return Set(name, std::string(text));
}

std::error_code Key::SetDword(std::string_view name, std::uint32_t value) const {
    return Set(name, value);
}

std::error_code Key::Set(std::string_view name, Value value) const {
    if (access_ != Access::Write) return std::make_error_code(std::errc::permission_denied);
    // The key may have been removed by another program since it was opened.
    return SetInHive(root_, subKey_, name, std::move(value), KeyMissing::Fail);
}

}  // namespace larkspan::registry
