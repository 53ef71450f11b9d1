#include "platform/filesearch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "tests/support/files.h"

namespace larkspan::filesearch {
namespace {

TEST(Wildcard, MatchesIgnoringCase) {
    const struct {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*.DOC", "a.doc", true},
        {"*.DOC", "B.DOC", true},
        {"*.DOC", "c.docx", false},
        {"*.DOCX", "c.docx", true},
        {"*", "anything", true},
        {"*", "", true},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*.*", "noext", false},
        {"r*t*.doc", "report.doc", true},
        {"r*t*.doc", "rt.doc", true},
        {"*x", "xax", true},
        {"exact.doc", "EXACT.DOC", true},
        {"exact.doc", "exact.docx", false},
        {"ä*.doc", "äb.doc", true},
        // A name may hold '*' and '?' itself: the pattern's '*' still stands for any run of characters.
        {"*", "*/", true},
        {"*.doc", "*draft.doc", true},
        {"a*", "a*b", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(FindFiles, ReportsNamesPathsFoldersSizesAndTimes) {
    test::TempFolder folder;
    folder.WriteFile("a.doc", std::string(1500, 'x'));
    folder.WriteFile("B.DOC");
    folder.WriteFile("c.docx");
    std::filesystem::create_directory(folder.path() / "old.doc");
    std::filesystem::create_symlink(folder.path() / "a.doc", folder.path() / "link.doc");
    std::filesystem::create_symlink(folder.path() / "gone.doc", folder.path() / "dangling.doc");

    std::vector<FoundEntry> found = FindFiles(folder.str() + "/*.doc");
    std::set<std::string> names;
    for (const FoundEntry& entry : found) {
        names.insert(entry.name);
        EXPECT_EQ(entry.fullPath, folder.str() + "/" + entry.name);
        EXPECT_EQ(entry.isFolder, entry.name == "old.doc");
        // A link is what it points to; a dangling one has no size or time to show.
        EXPECT_EQ(entry.lastWrite.has_value(), entry.name != "dangling.doc") << entry.name;
        if (entry.name == "a.doc" || entry.name == "link.doc") {
            EXPECT_EQ(entry.size, 1500u);
        }
        if (entry.name == "dangling.doc") {
            EXPECT_EQ(entry.size, 0u);
        }
    }
    EXPECT_EQ(names, (std::set<std::string>{"a.doc", "B.DOC", "old.doc", "link.doc", "dangling.doc"}));
}

TEST(FindFiles, RelativeSpecsAndMissingFolders) {
    test::TempFolder folder;
    folder.WriteFile("sub/x.doc");
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    std::vector<FoundEntry> relative = FindFiles("sub/*.doc");
    std::vector<FoundEntry> bare = FindFiles("sub");
    std::filesystem::current_path(before);
    ASSERT_EQ(relative.size(), 1u);
    EXPECT_EQ(relative[0].fullPath, folder.str() + "/sub/x.doc");
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_TRUE(bare[0].isFolder);
    EXPECT_TRUE(FindFiles(folder.str() + "/missing/*.doc").empty());
    EXPECT_TRUE(FindFiles(folder.str() + "/").empty());
}

TEST(FindFile, ExactFirstThenIgnoringCase) {
    test::TempFolder folder;
    folder.WriteFile("Report.DOCX");
    ASSERT_TRUE(FindFile(folder.str() + "/report.docx"));
    EXPECT_EQ(FindFile(folder.str() + "/report.docx")->name, "Report.DOCX");
    EXPECT_EQ(FindFile(folder.str() + "/Report.DOCX")->name, "Report.DOCX");
    EXPECT_FALSE(FindFile(folder.str() + "/other.docx"));
    // Right below the root the folder is "/" itself.
    ASSERT_TRUE(FindFile("/TMP") || FindFile("/tmp"));
    EXPECT_EQ(FindFile("/tmp")->fullPath, "/tmp");
    EXPECT_TRUE(FindFile("/tmp")->isFolder);
    // A name with a wildcard character is a name here, not a pattern.
    folder.WriteFile("star*.doc");
    EXPECT_EQ(FindFile(folder.str() + "/star*.doc")->name, "star*.doc");
}

}  // namespace
}  // namespace larkspan::filesearch
