#pragma once
// The main window's windowless state and logic. The command-line mode uses this object without any
// window, so everything the scan and the conversion need holds its value right after construction.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/document_kind.h"
#include "mainwindow/file_list_entry.h"

namespace larkspan {

class MainWindow {
public:
    MainWindow();
    virtual ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Appends the files that match to m_arrFoundPaths: folder + "/" + m_strFilePattern, or explicitSpec
    // when it is not empty. Folders are skipped and never entered; names ending in "Gi!" are left out.
    void ScanFolder(std::string_view folder, std::string_view explicitSpec);

    // Orders m_arrFoundPaths by the byte values of their lower-cased texts.
    void SortFoundPaths();

    // Destroys every entry of the file list.
    void FreeEntries() { m_arrEntries.clear(); }

    TargetFormat m_nFormat = kFormatDoc;
    std::string m_strOutDir;
    // The program's own folder with a trailing '/'; known in both modes (the converter lies there).
    std::string ApplicationFolder;
    std::string m_strCurrentFolder;
    std::string m_strFilePattern = "*.DOCX";
    // Found paths keep their on-disk letter case; the lower-cased text is only the sort key.
    std::vector<std::string> m_arrFoundPaths;
    std::vector<std::unique_ptr<FileListEntry>> m_arrEntries;
    int m_bSortAscending = 0;
    int m_nSortColumn = -1;

    // Where Word was found: 0 none, 1 to 4 for Office 9.0 to 12.0, and its folder.
    int WordVersionCode = 0;
    std::string WordFolder;
};

// True when the last character of pattern is '*' or equals the last character of path (ignoring case).
bool MatchesPatternEnding(std::string_view path, std::string_view pattern);

// "0 KB", "1 KB" for 1 to 1023 bytes, else the whole kilobytes grouped with ',' and " KB".
std::string FormatSizeText(std::uint64_t size);

// value printed with the given decimals, its integer part grouped in threes with ','.
std::string FormatGrouped(double value, int decimals);

}  // namespace larkspan
