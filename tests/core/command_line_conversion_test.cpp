#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/command_line.h"
#include "app/stderr_message_box.h"
#include "mainwindow/main_window.h"
#include "stand_in_converter.h"
#include "temp_folder.h"

namespace larkspan {
namespace {

using test::ReadText;

class CommandLineConversion : public ::testing::Test {
protected:
    CommandLineConversion() {
        // The stand-in "converts" by prefixing the source's text, so a copy and a conversion differ.
        test::WriteStandIn(work.path() / "app",
                           "case \"$2\" in *broken*) echo 'not a document' >&2; exit 3;; esac\n"
                           "{ echo converted; cat \"$2\"; } > \"$3\"");
        window.ApplicationFolder = (work.path() / "app").string() + "/";
        std::filesystem::create_directories(out);
    }
    int Run(const std::string& source, const std::string& format, const std::string& output) {
        ::testing::internal::CaptureStderr();
        int status = window.RunCommandLineConversion({source, format, output}, messages);
        errors = ::testing::internal::GetCapturedStderr();
        return status;
    }
    test::ScopedRegistry registry;
    test::TempFolder work;
    std::filesystem::path in = work.path() / "in";
    std::filesystem::path out = work.path() / "out";
    MainWindow window;
    StderrMessageBox messages;
    std::string errors;
};

struct FormatCase {
    const char* name;
    const char* word;
    const char* extension;
};

class FormatWords : public CommandLineConversion, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormatWords, ChooseTheTargetInAnyCase) {
    work.WriteFile("in/Letter.DOC", "text");
    EXPECT_EQ(Run(in.string() + "/*.doc", GetParam().word, out.string() + "//"), 0) << errors;
    EXPECT_TRUE(std::filesystem::exists(out / (std::string("Letter.") + GetParam().extension)));
    EXPECT_TRUE(errors.empty()) << errors;
}

INSTANTIATE_TEST_SUITE_P(Words, FormatWords,
                         ::testing::Values(FormatCase{"Docx", "docx", "docx"},
                                           FormatCase{"DOCX", "DOCX", "docx"},
                                           FormatCase{"Doc", "doc", "doc"}, FormatCase{"Missing", "", "doc"},
                                           FormatCase{"Misspelled", "dox", "doc"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(CommandLineConversion, ConvertsMismatchesAndCopiesMatchesKeepingNames) {
    work.WriteFile("in/Report.DOC", "old");
    work.WriteFile("in/memo.docx", "new");
    work.WriteFile("in/notes.txt", "text");
    std::filesystem::create_directories(in / "folder.docx");
    EXPECT_EQ(Run(in.string() + "/*", "docx", out.string() + "/"), 0) << errors;
    EXPECT_EQ(ReadText(out / "Report.docx"), "converted\nold");
    EXPECT_EQ(ReadText(out / "memo.docx"), "new");  // copied unchanged
    EXPECT_EQ(ReadText(out / "notes.docx"), "converted\ntext");
    EXPECT_FALSE(std::filesystem::exists(out / "folder.docx"));
}

TEST_F(CommandLineConversion, EveryFailureIsALineAndTheStatusSaysSo) {
    work.WriteFile("in/a.doc", "a");
    work.WriteFile("in/broken.doc", "b");
    work.WriteFile("in/c.doc", "c");
    EXPECT_EQ(Run(in.string() + "/*.DOC", "docx", out.string()), 1);
    EXPECT_TRUE(std::filesystem::exists(out / "a.docx"));
    EXPECT_TRUE(std::filesystem::exists(out / "c.docx"));
    EXPECT_FALSE(std::filesystem::exists(out / "broken.docx"));
    EXPECT_EQ(errors, (in / "broken.doc").string() + ": not a document\n");
}

TEST_F(CommandLineConversion, AFailedCopyIsAFailure) {
    work.WriteFile("in/a.doc", "a");
    EXPECT_EQ(Run(in.string() + "/a.doc", "doc", (work.path() / "no such folder").string()), 1);
    EXPECT_NE(errors.find("copy failed"), std::string::npos) << errors;
}

TEST_F(CommandLineConversion, CopyOntoItselfLeavesTheFileIntact) {
    work.WriteFile("in/a.doc", "keep me");
    EXPECT_EQ(Run(in.string() + "/a.doc", "doc", in.string()), 0) << errors;
    EXPECT_EQ(ReadText(in / "a.doc"), "keep me");
}

TEST_F(CommandLineConversion, EmptySourceListIsSilentSuccess) {
    EXPECT_EQ(Run(in.string() + "/*.doc", "docx", out.string()), 0);
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(std::filesystem::is_empty(out));
}

TEST_F(CommandLineConversion, ARelativePatternAndOneNamedFile) {
    work.WriteFile("in/one.doc", "1");
    work.WriteFile("in/two.doc", "2");
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(work.path());
    int status = Run("in/one.doc", "docx", "out");
    std::filesystem::current_path(before);
    EXPECT_EQ(status, 0) << errors;
    EXPECT_TRUE(std::filesystem::exists(out / "one.docx"));
    EXPECT_FALSE(std::filesystem::exists(out / "two.docx"));
}

}  // namespace
}  // namespace larkspan
