#include <sys/vfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "app/command_line.h"
#include "app/command_line_conversion.h"
#include "app/stderr_message_box.h"
#include "batch/unattended_run.h"
#include "mainwindow/main_window.h"
#include "platform/letter_case.h"
#include "tests/core/command_line_fixture.h"
#include "tests/support/files.h"
#include "tests/support/stand_in_converter.h"

namespace larkspan {
namespace {

using test::ReadText;

struct FormatCase {
    const char* name;
    const char* word;
    const char* extension;
    const char* said = "";  // on standard error
};

class FormatWords : public CommandLineConversion, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormatWords, ChooseTheTargetInAnyCase) {
    work.WriteFile("in/Letter.DOC", "text");
    EXPECT_EQ(Run(in.string() + "/*.doc", GetParam().word, out.string() + "//"), 0) << errors;
    EXPECT_TRUE(std::filesystem::exists(out / (std::string("Letter.") + GetParam().extension)));
    EXPECT_EQ(errors, GetParam().said);
}

INSTANTIATE_TEST_SUITE_P(
    Words, FormatWords,
    ::testing::Values(FormatCase{"Docx", "docx", "docx"}, FormatCase{"DOCX", "DOCX", "docx"},
                      FormatCase{"Doc", "doc", "doc"},
                      FormatCase{"Misspelled", "dox", "doc",
                                 "larkspan: 'dox' is not a format word: converting to doc\n"}),
    [](const auto& info) { return info.param.name; });

struct UsageCase {
    const char* name;
    std::vector<std::string> after;  // the arguments after the source
};

class Usage : public CommandLineConversion, public ::testing::WithParamInterface<UsageCase> {};

// One or two arguments, or an empty one: the outputs would land in the root folder. Nothing is converted.
TEST_P(Usage, IsPrintedAndNothingIsConverted) {
    test::WriteStandIn(work.path() / "app", test::CopyingConverter(work.path() / "converter.log"));
    work.WriteFile("in/a.docx", "a");
    work.WriteFile("in/b.doc", "b");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(work.path());
    std::vector<std::string> arguments = {in.string() + "/*"};
    arguments.insert(arguments.end(), GetParam().after.begin(), GetParam().after.end());
    const int status = Run(arguments);
    std::filesystem::current_path(before);
    EXPECT_EQ(status, 2);
    EXPECT_NE(errors.find("\nusage: larkspan [OPTIONS] SOURCE... FORMAT OUTPUT-FOLDER\n"), std::string::npos)
        << errors;
    EXPECT_FALSE(std::filesystem::exists(work.path() / "converter.log")) << "the converter was run";
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(work.path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"app", "in", "out"}));
    EXPECT_TRUE(std::filesystem::is_empty(out));
}

INSTANTIATE_TEST_SUITE_P(Arguments, Usage,
                         ::testing::Values(UsageCase{"SourceOnly", {}}, UsageCase{"NoOutputFolder", {"doc"}},
                                           UsageCase{"EmptyOutputFolder", {"doc", ""}},
                                           UsageCase{"EmptyFormatWord", {"", "out"}}),
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

struct MadeFolderCase {
    const char* name;
    const char* output;  // below the test's folder
    int status;
    const char* said;  // the line on standard error, with {} for the output folder
};

class OutputFolderMadeOrRefused : public CommandLineConversion,
                                  public ::testing::WithParamInterface<MadeFolderCase> {};

// A missing output folder is made, with its parents, and said once; one that cannot be used stops the run
// before anything is converted.
TEST_P(OutputFolderMadeOrRefused, OnceForTheWholeRun) {
    work.WriteFile("in/a.doc", "a");
    work.WriteFile("in/b.doc", "b");
    const std::string output = (work.path() / GetParam().output).string();
    EXPECT_EQ(Run(in.string() + "/*.doc", "doc", output), GetParam().status);
    std::string said = GetParam().said;
    said.replace(said.find("{}"), 2, output);
    EXPECT_EQ(errors, said);
    EXPECT_EQ(std::filesystem::exists(output + "/a.doc"), GetParam().status == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Output, OutputFolderMadeOrRefused,
    ::testing::Values(MadeFolderCase{"Missing", "new/deeper", 0, "larkspan: made the output folder {}\n"},
                      MadeFolderCase{"AFileInTheWay", "in/a.doc", 2,
                                     "larkspan: the output folder {} is not a folder\n"},
                      MadeFolderCase{"CannotBeMade", "in/a.doc/sub", 2,
                                     "larkspan: cannot reach the output folder {}: Not a directory\n"}),
    [](const auto& info) { return info.param.name; });

TEST_F(CommandLineConversion, CopyOntoItselfLeavesTheFileIntact) {
    work.WriteFile("in/a.doc", "keep me");
    EXPECT_EQ(Run(in.string() + "/a.doc", "doc", in.string()), 0) << errors;
    EXPECT_EQ(ReadText(in / "a.doc"), "keep me");
}

TEST_F(CommandLineConversion, APatternThatMatchesNothingSaysSoAndSucceeds) {
    std::filesystem::create_directories(in / "folder.doc");
    EXPECT_EQ(Run(in.string() + "/*.doc", "docx", out.string()), 0);
    EXPECT_EQ(errors, "larkspan: no file matches " + in.string() + "/*.doc\n");
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

TEST_F(CommandLineConversion, ParallelEnginesReportInTheOrderOfTheFiles) {
    // The first files take longest, so they finish last.
    test::WriteStandIn(work.path() / "app",
                       "case \"$2\" in *1-*) sleep 0.6;; *2-*) sleep 0.3;; esac\n"
                       "case \"$2\" in *broken*) exit 4;; esac\n"
                       "cp \"$2\" \"$3\"");
    for (const char* name : {"1-broken.doc", "2-broken.doc", "3-a.doc", "4-broken.doc", "5-b.doc"})
        work.WriteFile(std::string("in/") + name, name);
    ::setenv("LARKSPAN_JOBS", "3", 1);
    // The scan's order is the file system's; the lines follow it, whatever order the engines finish in.
    int status = Run(in.string() + "/*.doc", "docx", out.string());
    ::unsetenv("LARKSPAN_JOBS");
    EXPECT_EQ(status, 1);
    std::vector<std::string> lines;
    std::istringstream stream(errors);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    std::vector<std::string> scanned = window.m_arrFoundPaths;
    std::vector<std::string> expected;
    for (const std::string& source : scanned)
        if (source.find("broken") != std::string::npos) expected.push_back(source + ": not a document");
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(std::filesystem::exists(out / "3-a.docx"));
    EXPECT_TRUE(std::filesystem::exists(out / "5-b.docx"));
}

TEST_F(CommandLineConversion, TwoFilesNeverWriteOneTarget) {
    work.WriteFile("in/a.doc", "from doc");
    work.WriteFile("in/a.docx", "from docx");
    EXPECT_EQ(Run(in.string() + "/*", "docx", out.string()), 1);
    // Whichever the scan found first keeps the target; the other fails and says why.
    const std::string first = window.m_arrFoundPaths.at(0), second = window.m_arrFoundPaths.at(1);
    EXPECT_EQ(errors, second + ": its target " + (out / "a.docx").string() + " is also the target of " +
                          first + "\n");
    EXPECT_EQ(ReadText(out / "a.docx"), first.ends_with(".doc") ? "converted\nfrom doc" : "from docx");
}

TEST_F(CommandLineConversion, AnotherDocumentOfTheRunIsNeverOverwritten) {
    work.WriteFile("in/a.doc", "from doc");
    work.WriteFile("in/a.docx", "the original");
    EXPECT_EQ(Run(in.string() + "/*", "docx", in.string()), 1);
    EXPECT_EQ(ReadText(in / "a.docx"), "the original");
    EXPECT_EQ(errors, (in / "a.doc").string() + ": its target " + (in / "a.docx").string() +
                          " is another document of this run\n");
}

TEST_F(CommandLineConversion, AMissingEngineIsSaidOnce) {
    std::ofstream(work.path() / "app" / kExternalConverterName)
        << "#!/bin/bash\nprintf '%s\\0' 0 7 /opt/lo 'no LibreOffice there' ''; exit 7\n";
    for (const char* name : {"a.doc", "b.doc", "c.doc"}) work.WriteFile(std::string("in/") + name);
    // Not the documents' fault: running again, with LibreOffice in place, would convert them.
    EXPECT_EQ(Run(in.string() + "/*.doc", "docx", out.string()), 3);
    EXPECT_EQ(errors, "larkspan: no file can be converted: engine missing: /opt/lo (no LibreOffice there)\n");
    EXPECT_TRUE(std::filesystem::is_empty(out));
}

// Nothing a file meets may leave the run waiting for its result: what went wrong is that file's failure.
TEST_F(CommandLineConversion, AFileWhoseConversionThrowsFailsAndTheRunEnds) {
    class Throwing final : public MessageBox {
    public:
        void Show(std::string_view text) override {
            throw std::runtime_error("cannot say " + std::string(text));
        }
    } throwing;
    for (const char* name : {"a.doc", "b.doc", "c.doc"}) work.WriteFile(std::string("in/") + name);
    ConversionJob job;
    for (const char* name : {"a.doc", "b.doc", "c.doc"}) job.m_arrSources.push_back((in / name).string());
    job.m_nTargetFormat = kFormatDocx;
    job.m_strOutputFolder = out.string();
    job.m_nWordVersionCode = 4;  // no Word here: the converter says so through the messages, which throw
    struct Failures final : public BatchEvents {
        void FileStarted(std::size_t, const std::string&) override {}
        void TargetFormed(const std::string&) override {}
        std::optional<ExistingFileAnswer> AskAboutExisting(const std::string&) override { return {}; }
        void TargetRenamed(const std::string&) override {}
        void FileFinished(std::size_t, const FileResult& result) override {
            reasons.push_back(result.reason);
        }
        std::vector<std::string> reasons;
    } failures;
    ConverterSettings settings;
    settings.applicationFolder = window.ApplicationFolder;

    const BatchSummary summary = RunUnattended(job, settings, throwing, failures, 2);

    EXPECT_EQ(summary.errors, 3);
    EXPECT_EQ(failures.reasons,
              std::vector<std::string>(3, "internal error: cannot say Error starting Word."));
}

// A small vfat image mounted through FUSE while the object lives, unmounted however the test ends. why says
// what kept it from being mounted; it is empty when the folder is mounted.
class VfatMount {
public:
    explicit VfatMount(const std::filesystem::path& place)
        : folder_(place), image_(place.string() + ".img"), log_(place.string() + ".log") {
        std::filesystem::create_directories(folder_);
        if (::access("/dev/fuse", R_OK | W_OK) != 0) {
            why = "cannot mount a vfat image: /dev/fuse is not usable here (" +
                  std::string(std::strerror(errno)) + ")";
            return;
        }
        if (Shell("command -v mkfs.vfat && command -v fusefat && command -v fusermount") != 0) {
            why = "cannot mount a vfat image: mkfs.vfat (dosfstools), fusefat or fusermount is missing";
            return;
        }
        if (Shell("mkfs.vfat -C '" + image_ + "' 2048") != 0) {
            why = "mkfs.vfat failed: " + ReadText(log_);
            return;
        }
        if (Shell("fusefat -o rw+ '" + image_ + "' '" + folder_.string() + "'") != 0) {
            why = "fusefat could not mount a vfat image: " + ReadText(log_);
            return;
        }
        mounted_ = true;
        struct statfs info {};
        if (::statfs(folder_.c_str(), &info) != 0 || info.f_type != kFuseMagic)
            why = "fusefat said it mounted " + folder_.string() + ", but no FUSE file system is there";
    }
    ~VfatMount() {
        if (mounted_)
            Shell("fusermount -u '" + folder_.string() + "' || fusermount -u -z '" + folder_.string() + "'");
    }
    VfatMount(const VfatMount&) = delete;
    VfatMount& operator=(const VfatMount&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    std::string why;

private:
    static constexpr long kFuseMagic = 0x65735546;
    // mkfs.vfat lives in sbin, which a user's PATH may lack. What the tools say goes to the log.
    int Shell(const std::string& command) const {
        return std::system(
            ("PATH=\"$PATH:/usr/sbin:/sbin\"; { " + command + "; } >'" + log_ + "' 2>&1").c_str());
    }
    std::filesystem::path folder_;
    std::string image_, log_;
    bool mounted_ = false;
};

struct OutputFolderCase {
    const char* name;
    bool vfat;  // the output folder is on a vfat image, which folds letter case; else in the work folder
};

class OutputFolders : public CommandLineConversion, public ::testing::WithParamInterface<OutputFolderCase> {};

TEST_P(OutputFolders, TargetsThatDifferOnlyInLetterCaseNeverReplaceEachOther) {
    std::optional<VfatMount> mount;
    std::filesystem::path folder = out;
    if (GetParam().vfat) {
        mount.emplace(work.path() / "vfat");
        if (!mount->why.empty()) GTEST_SKIP() << mount->why;
        folder = mount->folder();
    }
    const bool folds = GetParam().vfat;
    // Empty, the folder is asked through a probe file, which goes at once.
    EXPECT_EQ(files::FoldsLetterCase(folder.string()), folds);
    EXPECT_TRUE(std::filesystem::is_empty(folder));

    work.WriteFile("in/Report.doc", "capital");
    work.WriteFile("in/report.DOC", "small");
    const int status = Run(in.string() + "/*.doc", "docx", folder.string());
    ASSERT_EQ(window.m_arrFoundPaths.size(), 2u);
    const std::string first = window.m_arrFoundPaths[0], second = window.m_arrFoundPaths[1];
    auto target = [&](const std::string& source) {
        return folder / (std::filesystem::path(source).stem().string() + ".docx");
    };
    const auto entries = std::distance(std::filesystem::directory_iterator(folder), {});
    if (folds) {
        EXPECT_EQ(status, 1);
        EXPECT_EQ(errors, second + ": its target " + target(second).string() + " is also the target of " +
                              first + "\n");
        EXPECT_EQ(entries, 1);
    } else {
        EXPECT_EQ(status, 0) << errors;
        EXPECT_EQ(ReadText(target(second)), "converted\n" + ReadText(second));
        EXPECT_EQ(entries, 2);
    }
    EXPECT_EQ(ReadText(target(first)), "converted\n" + ReadText(first));
    // Now the folder's own entries answer.
    EXPECT_EQ(files::FoldsLetterCase(folder.string()), folds);
}

INSTANTIATE_TEST_SUITE_P(CaseFolding, OutputFolders,
                         ::testing::Values(OutputFolderCase{"TellsCaseApart", false},
                                           OutputFolderCase{"FoldsCase", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct EngineCountCase {
    const char* name;
    const char* jobs;  // nullptr: not set
    std::size_t files;
    int expected;  // -1: the machine's default
    bool warns;
};

class EngineCounts : public ::testing::TestWithParam<EngineCountCase> {};

TEST_P(EngineCounts, FollowTheSettingTheCoresAndTheFiles) {
    if (GetParam().jobs)
        ::setenv("LARKSPAN_JOBS", GetParam().jobs, 1);
    else
        ::unsetenv("LARKSPAN_JOBS");
    std::string warning;
    const int count = EngineCount(GetParam().files, warning);
    ::unsetenv("LARKSPAN_JOBS");
    const int cores = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    const int expected = GetParam().expected < 0 ? std::min<int>(cores, static_cast<int>(GetParam().files))
                                                 : GetParam().expected;
    EXPECT_EQ(count, expected);
    EXPECT_EQ(!warning.empty(), GetParam().warns) << warning;
}

INSTANTIATE_TEST_SUITE_P(Setting, EngineCounts,
                         ::testing::Values(EngineCountCase{"Default", nullptr, 100, -1, false},
                                           EngineCountCase{"NeverMoreThanFiles", "8", 3, 3, false},
                                           EngineCountCase{"OneTurnsItOff", "1", 100, 1, false},
                                           EngineCountCase{"AskedForMore", "6", 100, 6, false},
                                           EngineCountCase{"AtLeastOne", nullptr, 0, 1, false},
                                           EngineCountCase{"Zero", "0", 100, -1, true},
                                           EngineCountCase{"NotANumber", "many", 100, -1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace larkspan
