#include "app/command_line_sources.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <tuple>

#include "mainwindow/main_window.h"
#include "platform/filesearch.h"
#include "platform/paths.h"

namespace larkspan {
namespace {

namespace fs = std::filesystem;

bool Hidden(std::string_view name) {
    return name.starts_with('.');
}

bool HasWildcard(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Gathers the files below one root.
class Walk {
public:
    Walk(MainWindow& window, std::vector<FoundSource>& found, std::size_t root, bool mirror,
         const std::string& output)
        : window_(window), found_(found), root_(root), mirror_(mirror), output_(output) {}

    // The files of folder matching namePattern by the folder scan's rules, and with descend those of every
    // subfolder below it; relative is folder's place below the root.
    void Folder(const std::string& folder, const std::string& namePattern, const std::string& relative,
                bool descend) {
        window_.m_arrFoundPaths.clear();
        window_.ScanFolder("", paths::Join(folder, namePattern));
        for (const std::string& path : window_.m_arrFoundPaths) {
            const std::string name = path.substr(path.rfind('/') + 1);
            if (Hidden(name) && !Hidden(namePattern)) continue;
            Add(path, relative.empty() ? name : relative + "/" + name, relative);
        }
        if (!descend) return;
        for (const filesearch::FoundEntry& entry : filesearch::FindFiles(paths::Join(folder, "*"))) {
            // A link to a folder may lead back up the tree, or out of it.
            if (!entry.isFolder || entry.isLink || Hidden(entry.name)) continue;
            Folder(entry.fullPath, namePattern, relative.empty() ? entry.name : relative + "/" + entry.name,
                   true);
        }
    }

    void Add(const std::string& path, const std::string& relative, const std::string& relativeFolder) {
        std::string folder;
        if (mirror_ && !relativeFolder.empty()) folder = paths::Join(output_, relativeFolder);
        found_.push_back({path, relative, root_, folder});
    }

private:
    MainWindow& window_;
    std::vector<FoundSource>& found_;
    std::size_t root_;
    bool mirror_;
    const std::string& output_;
};

// The entries of a list: one per line, or NUL-separated; empty ones are passed over.
bool ReadList(const std::string& name, bool nulls, std::vector<std::string>& entries, std::string& error) {
    std::ifstream file;
    std::istream* in = &std::cin;
    if (name != "-") {
        file.open(name, std::ios::binary);
        if (!file) {
            error = "cannot read the list " + name + ": " + std::strerror(errno);
            return false;
        }
        in = &file;
    }
    for (std::string entry; std::getline(*in, entry, nulls ? '\0' : '\n');)
        if (!entry.empty()) entries.push_back(entry);
    if (in->bad()) {
        error = "cannot read the list " + name;
        return false;
    }
    return true;
}

// The path below root, or empty when it lies elsewhere.
std::string Below(const std::string& path, const std::string& root) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec).lexically_normal();
    const fs::path top = fs::absolute(root, ec).lexically_normal();
    const fs::path relative = absolute.lexically_relative(top);
    if (relative.empty() || relative == "." || *relative.begin() == "..") return {};
    return relative.string();
}

}  // namespace

CollectedSources CollectSources(MainWindow& window, const CommandLineArguments& arguments,
                                const std::string& output) {
    CollectedSources collected;
    const bool fromList = !arguments.filesFrom.empty();
    const bool mirror = arguments.recursive || !arguments.relativeTo.empty();
    std::vector<std::string> named = arguments.sources;
    if (fromList && !ReadList(arguments.filesFrom, arguments.nullSeparated, named, collected.error))
        return collected;

    for (std::size_t root = 0; root < named.size(); ++root) {
        const std::string& source = named[root];
        const std::size_t before = collected.found.size();
        Walk walk(window, collected.found, fromList ? 0 : root, mirror, output);
        if (fromList && !arguments.relativeTo.empty()) {
            const std::string relative = Below(source, arguments.relativeTo);
            if (relative.empty()) {
                collected.refused.emplace_back(source, "not below " + arguments.relativeTo);
                continue;
            }
            if (IsFolder(source)) {
                walk.Folder(source, "*", relative, arguments.recursive);
            } else {
                const std::size_t slash = relative.rfind('/');
                walk.Add(source, relative,
                         slash == std::string::npos ? std::string() : relative.substr(0, slash));
            }
        } else if (IsFolder(source)) {
            // The folder's documents, as FOLDER/* would name them.
            walk.Folder(source, "*", {}, arguments.recursive);
        } else if (fromList) {
            // A list names files as they are: '*' and '?' are letters there, and a missing file fails in its
            // turn, with its reason.
            walk.Add(source, source.substr(source.rfind('/') + 1), {});
        } else if (arguments.recursive && HasWildcard(source.substr(source.rfind('/') + 1))) {
            const std::size_t slash = source.rfind('/');
            const std::string folder = slash == std::string::npos ? "."
                                       : slash == 0               ? "/"
                                                                  : source.substr(0, slash);
            walk.Folder(folder, source.substr(slash + 1), {}, true);
        } else {
            // A file or a plain pattern: the folder scan, in the order the file system gives.
            window.m_arrFoundPaths.clear();
            window.ScanFolder("", source);
            for (const std::string& path : window.m_arrFoundPaths)
                walk.Add(path, path.substr(path.rfind('/') + 1), {});
        }
        if (collected.found.size() == before && !fromList) collected.unmatched.push_back(source);
    }

    // One file named twice (two patterns, a list with repeats) is one source.
    std::set<std::string> seen;
    std::erase_if(collected.found, [&](const FoundSource& found) { return !seen.insert(found.path).second; });
    if (arguments.recursive || arguments.shard || !arguments.shardIndexEnv.empty())
        std::stable_sort(collected.found.begin(), collected.found.end(),
                         [](const FoundSource& a, const FoundSource& b) {
                             return std::tie(a.root, a.relative) < std::tie(b.root, b.relative);
                         });
    return collected;
}

std::string TargetKey(const FoundSource& source) {
    const std::size_t slash = source.relative.rfind('/');
    const std::size_t dot = source.relative.rfind('.');
    const std::string title =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1
            ? source.relative
            : source.relative.substr(0, dot);
    return std::to_string(source.root) + '/' + source.targetFolder + '/' + paths::ToLowerAscii(title);
}

std::vector<FoundSource> TakeShard(std::vector<FoundSource> sources, const Shard& shard) {
    // Dealt out by target: the sources whose targets could be one file (x.doc and x.docx, Report.doc and
    // report.DOC where the output folder folds case) fall to one machine, whose run tells them apart.
    std::map<std::string, std::uint64_t> groups;
    std::vector<FoundSource> taken;
    for (FoundSource& source : sources) {
        const std::uint64_t group = groups.emplace(TargetKey(source), groups.size()).first->second;
        if (group % shard.count == shard.index) taken.push_back(std::move(source));
    }
    return taken;
}

}  // namespace larkspan
