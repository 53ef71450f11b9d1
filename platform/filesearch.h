#pragma once
// Wildcard enumeration of one folder: the folder part of a search pattern is taken literally, its last
// component may hold '*' and '?', matched ignoring ASCII letter case.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace larkspan::filesearch {

struct FoundEntry {
    std::string name;       // as on disk
    std::string fullPath;   // the absolute folder of the pattern joined with the name
    bool isFolder = false;  // a folder, or a link to one
    bool isLink = false;    // a symbolic link, whatever it points to
    std::uint64_t size = 0;
    std::optional<std::time_t> lastWrite;  // empty when it cannot be read
};

// Case-insensitive (ASCII) match of a name against a pattern of '*' and '?'.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Every entry of the pattern's folder whose name matches its last component, "." and ".." left out,
// in the order in which the file system reports them. A relative pattern is taken relative to the
// current folder. A folder that cannot be read yields nothing.
std::vector<FoundEntry> FindFiles(std::string_view pattern);

// The one entry a path names: the path itself when it exists, otherwise the first entry of its folder whose
// name equals its last component ignoring letter case.
std::optional<FoundEntry> FindFile(std::string_view path);

}  // namespace larkspan::filesearch
