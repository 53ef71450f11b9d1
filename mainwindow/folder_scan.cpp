#include "mainwindow/main_window.h"

#include <algorithm>

#include "platform/filesearch.h"
#include "platform/paths.h"

namespace larkspan {

bool MatchesPatternEnding(std::string_view path, std::string_view pattern) {
    if (pattern.empty()) return false;
    char patternLast = paths::ToLowerAscii(std::string(1, pattern.back()))[0];
    if (patternLast == '*') return true;
    if (path.empty()) return false;
    return patternLast == paths::ToLowerAscii(std::string(1, path.back()))[0];
}

void MainWindow::ScanFolder(std::string_view folder, std::string_view explicitSpec) {
    std::string pattern =
        explicitSpec.empty() ? std::string(folder) + "/" + m_strFilePattern : std::string(explicitSpec);
    for (const filesearch::FoundEntry& entry : filesearch::FindFiles(pattern)) {
        if (entry.isFolder) continue;
        if (entry.name.size() >= 3 && entry.name.compare(entry.name.size() - 3, 3, "Gi!") == 0) continue;
        if (!MatchesPatternEnding(entry.fullPath, pattern)) continue;
        m_arrFoundPaths.push_back(entry.fullPath);
    }
}

void MainWindow::SortFoundPaths() {
    // Keys computed once: the lower-cased text orders, the on-disk text is kept.
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(m_arrFoundPaths.size());
    for (std::string& path : m_arrFoundPaths) keyed.emplace_back(paths::ToLowerAscii(path), std::move(path));
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    m_arrFoundPaths.clear();
    for (auto& [key, path] : keyed) m_arrFoundPaths.push_back(std::move(path));
}

}  // namespace larkspan
