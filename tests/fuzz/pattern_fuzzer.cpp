// The command line's source pattern and output folder, on a folder made from the input: the wildcard match
// agrees with a plain table of the definition, the listing and the window's scan find exactly the names
// that match, and the output names are formed from the files found.
//
// Input: the pattern's last part on the first line, the output folder on the second, then one name a line
// to create in the folder (a leading '/' makes a folder of it).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <set>

#include "engine/document_kind.h"
#include "fuzz_support.h"
#include "tests/support/files.h"
#include "mainwindow/main_window.h"
#include "platform/filesearch.h"
#include "platform/paths.h"

using namespace larkspan;
using fuzz::Check;

namespace {

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Which prefixes of the pattern match which prefixes of the name: slow and plain, the check of the quick one.
bool MatchByTable(std::string_view pattern, std::string_view name) {
    std::vector<std::vector<char>> match(pattern.size() + 1, std::vector<char>(name.size() + 1, 0));
    match[0][0] = 1;
    for (std::size_t i = 1; i <= pattern.size(); ++i) {
        const char p = pattern[i - 1];
        for (std::size_t j = 0; j <= name.size(); ++j) {
            if (p == '*')
                match[i][j] = match[i - 1][j] || (j > 0 && match[i][j - 1]);
            else
                match[i][j] = j > 0 && match[i - 1][j - 1] && (p == '?' || Fold(p) == Fold(name[j - 1]));
        }
    }
    return match[pattern.size()][name.size()];
}

struct Made {
    std::string name;
    bool isFolder;
};

std::vector<Made> MakeNames(const std::string& folder, const std::vector<std::string_view>& lines) {
    std::vector<Made> made;
    std::set<std::string> taken;
    for (std::size_t i = 2; i < lines.size() && made.size() < 16; ++i) {
        const bool isFolder = !lines[i].empty() && lines[i].front() == '/';
        const std::string name = fuzz::FileName(lines[i]);
        if (name.empty() || !taken.insert(name).second) continue;
        const std::string path = folder + "/" + name;
        bool ok;
        if (isFolder) {
            ok = ::mkdir(path.c_str(), 0700) == 0;
        } else {
            int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            ok = fd >= 0 && ::close(fd) == 0;
        }
        if (ok) made.push_back({name, isFolder});  // a name the file system refuses is left out
    }
    return made;
}

std::multiset<std::string> Sorted(const std::vector<std::string>& paths) {
    return {paths.begin(), paths.end()};
}

void CheckListing(const std::string& folder, const std::string& pattern, const std::vector<Made>& made) {
    std::multiset<std::string> expected, expectedFiles;
    for (const Made& m : made) {
        const bool matches = MatchByTable(pattern, m.name);
        Check(filesearch::WildcardMatch(pattern, m.name) == matches, "wildcard match differs for " + m.name);
        if (!matches) continue;
        expected.insert(m.name);
        // The window's scan leaves out folders and names ending in "Gi!", and wants the pattern's last
        // character, unless it is '*', to end the name.
        const bool gi = m.name.size() >= 3 && m.name.compare(m.name.size() - 3, 3, "Gi!") == 0;
        if (!m.isFolder && !gi && (pattern.back() == '*' || Fold(pattern.back()) == Fold(m.name.back())))
            expectedFiles.insert(folder + "/" + m.name);
    }
    std::multiset<std::string> listed;
    for (const filesearch::FoundEntry& entry : filesearch::FindFiles(folder + "/" + pattern)) {
        listed.insert(entry.name);
        Check(entry.fullPath == folder + "/" + entry.name, "a listed entry's full path");
        const bool isFolder = std::any_of(made.begin(), made.end(),
                                          [&](const Made& m) { return m.name == entry.name && m.isFolder; });
        Check(entry.isFolder == isFolder, "a listed entry's kind");
    }
    Check(listed == expected, "the listing is not the names that match");

    MainWindow window;
    window.m_strFilePattern = pattern;
    window.ScanFolder(folder, "");
    Check(Sorted(window.m_arrFoundPaths) == expectedFiles, "the window's scan is not the files that match");
    window.m_arrFoundPaths.clear();
    window.ScanFolder("", folder + "/" + pattern);  // as the command line passes its source pattern
    Check(Sorted(window.m_arrFoundPaths) == expectedFiles,
          "the command line's scan is not the files that match");
    window.SortFoundPaths();
    Check(std::is_sorted(window.m_arrFoundPaths.begin(), window.m_arrFoundPaths.end(),
                         [](const std::string& a, const std::string& b) {
                             return paths::ToLowerAscii(a) < paths::ToLowerAscii(b);
                         }) &&
              Sorted(window.m_arrFoundPaths) == expectedFiles,
          "the sorted scan");
}

void CheckOutputNames(const std::string& folder, std::string_view output, const std::vector<Made>& made) {
    const std::string normalized = NormalizeOutputFolder(std::string(output));
    Check(normalized.empty() || normalized.back() != '/', "a normalized folder ends in '/'");
    Check(output.substr(0, normalized.size()) == normalized &&
              output.find_first_not_of('/', normalized.size()) == std::string_view::npos,
          "normalizing removed more than the trailing '/'");
    for (const Made& m : made) {
        if (m.isFolder) continue;
        const std::size_t dot = m.name.rfind('.');
        const std::string title = m.name.substr(0, dot);
        Check(FormatOutputPath(normalized, folder + "/" + m.name, kFormatDocx) ==
                  normalized + "/" + title + ".docx",
              "the output path of " + m.name);
        Check(FormatOutputPath(normalized, folder + "/" + m.name, kFormatDoc) ==
                  normalized + "/" + title + ".doc",
              "the output path of " + m.name);
        // Named in other letter case, the source is found under one of the names that equal it so.
        std::string upper = m.name;
        for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        std::optional<filesearch::FoundEntry> found = filesearch::FindFile(folder + "/" + upper);
        Check(found && paths::ToLowerAscii(found->name) == paths::ToLowerAscii(m.name), "finding " + upper);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> lines = fuzz::Lines(data, size);
    const std::string pattern(lines[0].substr(0, 1024));
    const test::TempFolder folder;
    const std::vector<Made> made = MakeNames(folder.str(), lines);
    for (std::string_view line : lines)
        Check(filesearch::WildcardMatch(pattern, line.substr(0, 256)) ==
                  MatchByTable(pattern, line.substr(0, 256)),
              "wildcard match differs");
    if (pattern.empty()) return 0;
    if (pattern.find('/') == std::string::npos) {
        CheckListing(folder.str(), pattern, made);
    } else if (("/" + pattern + "/").find("/../") == std::string::npos) {
        // A pattern with folders of its own, kept inside the input's folder: it only has to end.
        filesearch::FindFiles(folder.str() + "/" + pattern);
        filesearch::FindFile(folder.str() + "/" + pattern);
        MainWindow().ScanFolder("", folder.str() + "/" + pattern);
    }
    CheckOutputNames(folder.str(), lines.size() > 1 ? lines[1] : std::string_view(), made);
    return 0;
}
