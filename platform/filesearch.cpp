#include "platform/filesearch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "platform/paths.h"

namespace larkspan::filesearch {
namespace fs = std::filesystem;

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

struct SplitPattern {
    std::string folder;  // absolute, as given when it was absolute
    std::string pattern;
};

SplitPattern Split(std::string_view pattern) {
    std::size_t slash = pattern.rfind('/');
    SplitPattern split;
    if (slash == std::string_view::npos) {
        split.pattern = std::string(pattern);
    } else {
        // A pattern right below the root keeps "/" as its folder.
        split.folder = std::string(pattern.substr(0, slash == 0 ? 1 : slash));
        split.pattern = std::string(pattern.substr(slash + 1));
    }
    if (split.folder.empty() || split.folder.front() != '/') {
        std::error_code ec;
        fs::path cwd = fs::current_path(ec);
        split.folder = split.folder.empty() ? cwd.string() : (cwd / split.folder).string();
    }
    return split;
}

std::string Join(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

FoundEntry Describe(const std::string& folder, std::string_view name) {
    FoundEntry entry;
    entry.name = std::string(name);
    entry.fullPath = Join(folder, name);
    struct stat st {};
    // A link is described by what it points to; a dangling one is a file of no known size or time (the
    // link's own length and time would describe no document).
    if (::stat(entry.fullPath.c_str(), &st) == 0) {
        entry.isFolder = S_ISDIR(st.st_mode);
        entry.size = static_cast<std::uint64_t>(st.st_size);
        entry.lastWrite = st.st_mtim.tv_sec;
    }
    entry.isLink = ::lstat(entry.fullPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    return entry;
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    // Iterative matching with one backtrack point for the last '*'.
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        // '*' first: in a name that holds a '*' itself, it must not be taken for that one character.
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<FoundEntry> FindFiles(std::string_view pattern) {
    std::vector<FoundEntry> found;
    SplitPattern split = Split(pattern);
    if (split.pattern.empty()) return found;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(split.folder.c_str()), ::closedir);
    if (!dir) return found;
    while (const dirent* item = ::readdir(dir.get())) {
        std::string_view name = item->d_name;
        if (name == "." || name == "..") continue;
        if (!WildcardMatch(split.pattern, name)) continue;
        found.push_back(Describe(split.folder, name));
    }
    return found;
}

std::optional<FoundEntry> FindFile(std::string_view path) {
    SplitPattern split = Split(path);
    if (split.pattern.empty()) return std::nullopt;
    struct stat st {};
    std::string exact = Join(split.folder, split.pattern);
    if (::lstat(exact.c_str(), &st) == 0) return Describe(split.folder, split.pattern);
    std::string wanted = paths::ToLowerAscii(split.pattern);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(split.folder.c_str()), ::closedir);
    if (!dir) return std::nullopt;
    while (const dirent* item = ::readdir(dir.get())) {
        if (paths::ToLowerAscii(item->d_name) == wanted) return Describe(split.folder, item->d_name);
    }
    return std::nullopt;
}

}  // namespace larkspan::filesearch
