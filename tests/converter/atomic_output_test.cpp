// The converter's output, written whole or not at all, and never through a link put in its way.

#include "converter/atomic_output.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/support/files.h"

namespace larkspan::zuv0 {
namespace {

namespace fs = std::filesystem;
using test::ReadText;

struct SwapCase {
    const char* name;
    // Done between Open and Fill, as another program on the machine might.
    std::function<void(const fs::path& temporary, const fs::path& folder, const fs::path& elsewhere)> swap;
    const char* movedFolder;  // where the target is found afterwards, relative to the test's folder; empty
                              // when there is none
};

class SwappedUnderIt : public ::testing::TestWithParam<SwapCase> {};

TEST_P(SwappedUnderIt, WritesOnlyItsOwnFile) {
    test::TempFolder work;
    const fs::path folder = work / "out", elsewhere = work / "elsewhere";
    fs::create_directories(folder);
    fs::create_directories(elsewhere);
    const fs::path victim = work.WriteFile("elsewhere/victim.docx", "someone else's file");
    const fs::path converted = work.WriteFile("converted.docx", "the new document");

    AtomicOutput output;
    ASSERT_FALSE(output.Open(folder / "report.docx"));
    GetParam().swap(output.temporaryPath(), folder, elsewhere);
    EXPECT_FALSE(output.Fill(converted));
    const std::error_code committed = output.Commit();

    EXPECT_EQ(ReadText(victim), "someone else's file");
    EXPECT_FALSE(fs::exists(elsewhere / "report.docx"));
    if (*GetParam().movedFolder) {
        EXPECT_FALSE(committed) << committed.message();
        EXPECT_EQ(ReadText(work / GetParam().movedFolder / "report.docx"), "the new document");
    } else {
        EXPECT_EQ(committed, OutputError::TemporaryReplaced);
        EXPECT_FALSE(fs::exists(folder / "report.docx"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Output, SwappedUnderIt,
    ::testing::Values(SwapCase{"TemporaryReplacedByALink",
                               [](const fs::path& temporary, const fs::path&, const fs::path& elsewhere) {
                                   fs::remove(temporary);
                                   fs::create_symlink(elsewhere / "victim.docx", temporary);
                               },
                               ""},
                      SwapCase{"FolderReplacedByALink",
                               [](const fs::path&, const fs::path& folder, const fs::path& elsewhere) {
                                   fs::rename(folder, folder.parent_path() / "moved");
                                   fs::create_directory_symlink(elsewhere, folder);
                               },
                               "moved"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace larkspan::zuv0
