// Which converter a file goes to, and where the external converter is run from.

#include "engine/convert_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>

#include "platform/message_box.h"
#include "tests/support/files.h"
#include "tests/support/recording_messages.h"
#include "tests/support/stand_in_converter.h"

namespace larkspan {
namespace {

using test::RecordingMessages;

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::ReadText;

struct PlaceCase {
    const char* name;
    const char* inWordFolder;  // the converter already there: nullptr for none, "=" for the delivered one
    bool wordFolderWritable;
    const char* problem;  // empty when the converter is in place
};

class ConverterPlacement : public ::testing::TestWithParam<PlaceCase> {};

// Put into Word's folder whole, replacing one that differs (an older one would run without today's checks),
// and never half-written: it is renamed into place.
TEST_P(ConverterPlacement, PutsTheDeliveredConverterIntoWordsFolder) {
    test::TempFolder work;
    const fs::path app = work.path() / "app", word = work.path() / "Word";
    test::WriteStandIn(app, "cp \"$2\" \"$3\"");
    fs::create_directories(word);
    if (const char* old = GetParam().inWordFolder) {
        if (std::string(old) == "=")
            fs::copy_file(app / kExternalConverterName, word / kExternalConverterName);
        else
            test::WriteStandIn(word, old);
    }
    const std::string before = ReadText(word / kExternalConverterName);
    struct stat inode {};
    ::stat((word / kExternalConverterName).c_str(), &inode);
    if (!GetParam().wordFolderWritable) ::chmod(word.c_str(), 0555);
    if (!GetParam().wordFolderWritable && ::access(word.c_str(), W_OK) == 0) {
        ::chmod(word.c_str(), 0755);
        GTEST_SKIP() << "this user may write into any folder";
    }

    // Office records the folder with a trailing separator, but nothing guarantees it.
    const ConverterProgram program = PrepareExternalConverter(3, word.string(), app.string() + "/");
    ::chmod(word.c_str(), 0755);

    EXPECT_EQ(program.path, (word / kExternalConverterName).string());
    EXPECT_NE(program.problem.find(GetParam().problem), std::string::npos) << program.problem;
    if (*GetParam().problem) {
        EXPECT_EQ(ReadText(word / kExternalConverterName), before);
        return;
    }
    EXPECT_EQ(ReadText(word / kExternalConverterName), ReadText(app / kExternalConverterName));
    EXPECT_EQ(::access(program.path.c_str(), X_OK), 0);
    EXPECT_FALSE(test::HoldsTemporary(word));
    struct stat after {};
    ::stat(program.path.c_str(), &after);
    if (std::string(GetParam().inWordFolder ? GetParam().inWordFolder : "") == "=") {
        EXPECT_EQ(after.st_ino, inode.st_ino) << "the same converter was copied again";
    }
}

INSTANTIATE_TEST_SUITE_P(
    WordFolder, ConverterPlacement,
    ::testing::Values(PlaceCase{"Missing", nullptr, true, ""},
                      PlaceCase{"Older", "echo old; exit 1", true, ""}, PlaceCase{"TheSame", "=", true, ""},
                      PlaceCase{"FolderNotWritable", nullptr, false, "cannot put the converter into"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConverterPlacement, WithoutAWordFolderTheDeliveredOneRuns) {
    EXPECT_EQ(PrepareExternalConverter(0, "", "/opt/larkspan/").path, "/opt/larkspan/Zuv0");
    // Word 2007 is driven by automation: no converter is put anywhere.
    EXPECT_EQ(PrepareExternalConverter(4, "/opt/word/", "/opt/larkspan/").path, "");
}

TEST(ConvertFile, WordAutomationWithoutWordSaysSoAndAnUnknownCodeRunsNothing) {
    test::TempFolder work;
    const fs::path log = work.path() / "arguments.log";
    test::WriteStandIn(work.path() / "app", test::CopyingConverter(log));
    EngineSession engine({(work.path() / "app" / kExternalConverterName).string(), {}});
    const std::string source = work.WriteFile("in/a.docx").string(), target = work.str() + "/a.doc";
    ConverterSettings settings;
    RecordingMessages messages;

    ConversionResult result = ConvertFile(source, target, 4, settings, engine, messages);
    EXPECT_FALSE(result.produced);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Error starting Word."});
    EXPECT_FALSE(ConvertFile(source, target, 9, settings, engine, messages).produced);
    EXPECT_FALSE(fs::exists(log)) << "the external converter was used";
    EXPECT_TRUE(ConvertFile(source, target, 2, settings, engine, messages).produced);
}

TEST(FileExists, FilesAndFoldersAlike) {
    test::TempFolder folder;
    EXPECT_TRUE(FileExists(folder.str()));
    EXPECT_TRUE(FileExists(folder.WriteFile("a").string()));
    EXPECT_FALSE(FileExists(folder.str() + "/b"));
}

}  // namespace
}  // namespace larkspan
