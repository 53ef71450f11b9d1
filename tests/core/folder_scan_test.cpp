#include <gtest/gtest.h>

#include "mainwindow/main_window.h"
#include "tests/support/files.h"

namespace larkspan {
namespace {

std::vector<std::string> Names(const MainWindow& window, const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& path : window.m_arrFoundPaths) {
        EXPECT_EQ(path.rfind(folder + "/", 0), 0u) << path;
        names.push_back(path.substr(folder.size() + 1));
    }
    return names;
}

class FolderScan : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name :
             {"a.doc", "B.DOC", "c.docx", "D.DOCX", "notes.txt", "eGi!", "fgi!", "x.docGi!"})
            folder.WriteFile(name);
        std::filesystem::create_directories(folder.path() / "old.docx" / "inner.docx");
        std::filesystem::create_directories(folder.path() / "old.doc");
    }
    test::TempFolder folder;
};

TEST_F(FolderScan, FilterPatternsListOnlyTheirKindInOnDiskCase) {
    MainWindow window;
    window.m_strFilePattern = "*.DOC";
    window.ScanFolder(folder.str(), "");
    window.SortFoundPaths();
    EXPECT_EQ(Names(window, folder.str()), (std::vector<std::string>{"a.doc", "B.DOC"}));

    window.m_arrFoundPaths.clear();
    window.m_strFilePattern = "*.DOCX";
    window.ScanFolder(folder.str(), "");
    window.SortFoundPaths();
    // The folder old.docx is neither listed nor entered.
    EXPECT_EQ(Names(window, folder.str()), (std::vector<std::string>{"c.docx", "D.DOCX"}));
}

TEST_F(FolderScan, ExplicitSpecReplacesFolderAndPatternAndAppends) {
    MainWindow window;
    window.m_arrFoundPaths.push_back("/kept");
    window.ScanFolder("/ignored", folder.str() + "/*");
    window.SortFoundPaths();
    std::vector<std::string> expected = {"/kept"};
    for (const char* name : {"a.doc", "B.DOC", "c.docx", "D.DOCX", "fgi!", "notes.txt"})
        expected.push_back(folder.str() + "/" + name);
    // "eGi!" and "x.docGi!" are left out; "fgi!" differs in case and is found.
    EXPECT_EQ(window.m_arrFoundPaths, expected);
}

TEST_F(FolderScan, SingleFileAndNoMatch) {
    MainWindow window;
    window.ScanFolder("", folder.str() + "/a.doc");
    EXPECT_EQ(window.m_arrFoundPaths, std::vector<std::string>{folder.str() + "/a.doc"});
    window.m_arrFoundPaths.clear();
    window.ScanFolder("", folder.str() + "/*.pdf");
    window.ScanFolder("", folder.str() + "/old.docx");  // a folder only
    window.ScanFolder(folder.str() + "/missing", "");
    EXPECT_TRUE(window.m_arrFoundPaths.empty());
}

TEST(FolderScanOrder, SortsByLowerCasedBytesKeepingTheText) {
    MainWindow window;
    window.m_arrFoundPaths = {"/d/b.docx",   "/d/a_1.docx",  "/d/A.docx",
                              "/d/a b.docx", "/d/Zeta.docx", "/d/é.docx"};
    window.SortFoundPaths();
    EXPECT_EQ(window.m_arrFoundPaths, (std::vector<std::string>{"/d/a b.docx", "/d/A.docx", "/d/a_1.docx",
                                                                "/d/b.docx", "/d/Zeta.docx", "/d/é.docx"}));
}

TEST(MatchesPatternEnding, ComparesOnlyTheLastCharacter) {
    EXPECT_TRUE(MatchesPatternEnding("/d/report.doc", "/d/*.DOC"));
    EXPECT_FALSE(MatchesPatternEnding("/d/report.docx", "/d/*.DOC"));
    EXPECT_TRUE(MatchesPatternEnding("/d/anything", "/d/*"));
    EXPECT_TRUE(MatchesPatternEnding("/d/REPORT.DOCX", "/d/*.docx"));
    EXPECT_FALSE(MatchesPatternEnding("", "/d/*.doc"));
}

}  // namespace
}  // namespace larkspan
