#include "platform/letter_case.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <set>
#include <string_view>

#include "platform/paths.h"

namespace larkspan::files {
namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string SwapCase(std::string name) {
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

// lstat: a link is asked about itself, never about what it points to.
bool Found(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// Every name the folder lists; empty when it cannot be read.
std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace(name);
    }
    ::closedir(dir);
    return names;
}

// A hidden file of lower-case letters and digits, looked up in upper case and removed at once. The name
// is ours alone (process, counter and time), and is passed over when either spelling is taken already.
bool ProbeFolds(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[96];
        std::snprintf(
            name, sizeof name, ".larkspan-case-probe-%ld-%x-%llx", static_cast<long>(::getpid()), counter++,
            static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()));
        const std::string lower = paths::Join(folder, name);
        const std::string upper = paths::Join(folder, SwapCase(name));
        if (Found(upper)) continue;
        const int fd = ::open(lower.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        ::close(fd);
        const bool folds = Found(upper);
        ::unlink(lower.c_str());
        return folds;
    }
    return false;
}

}  // namespace

bool FoldsLetterCase(const std::string& folder) {
    const std::string where = folder.empty() ? "." : folder;
    const std::set<std::string> names = Names(where);
    for (const std::string& name : names) {
        if (std::none_of(name.begin(), name.end(), IsLetter)) continue;
        const std::string swapped = SwapCase(name);
        // Both spellings listed as two entries: this folder keeps them apart.
        if (names.contains(swapped)) return false;
        if (Found(paths::Join(where, swapped))) return true;
        // Unless the entry went away since it was listed, the other spelling is truly missing.
        if (Found(paths::Join(where, name))) return false;
    }
    return ProbeFolds(where);
}

}  // namespace larkspan::files
