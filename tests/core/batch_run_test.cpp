// The window's batch run without any window: the worker's log, progress and questions, over stand-in
// converters.

#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <sstream>
#include <thread>

#include "batch/auto_rename.h"
#include "batch/conversion_worker.h"
#include "platform/message_box.h"
#include "tests/support/files.h"
#include "tests/support/stand_in_converter.h"

namespace larkspan {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::ReadText;

// "Converts" by prefixing the source's text, so that a copy and a conversion differ; fails on a source
// whose name says so.
constexpr const char* kStandIn =
    "case \"$2\" in *broken*) exit 4;; esac\n"
    "case \"$2,$options\" in *lossy*verify*) echo '2 of 5 comments lost' > \"$losses\";; esac\n"
    "{ echo converted; cat \"$2\"; } > \"$3\"";

class Recording final : public ConversionProgress, public ExistingFileQuestion, public MessageBox {
public:
    void AdvanceStatus() override { ++statusTicks; }
    void AppendLog(std::string_view text) override { log += text; }
    void SetProgress(int position) override { progress.push_back(position); }
    void ConversionDone(int errors) override { done.push_back(errors); }
    std::optional<ExistingFileAnswer> Ask(const std::string& message) override {
        questions.push_back(message);
        if (answers.empty()) return std::nullopt;
        std::optional<ExistingFileAnswer> answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Show(std::string_view text) override { shown.emplace_back(text); }

    int statusTicks = 0;
    std::string log;
    std::vector<int> progress;
    std::vector<int> done;
    std::vector<std::string> questions;
    std::deque<std::optional<ExistingFileAnswer>> answers;  // nullopt answers Cancel
    std::vector<std::string> shown;
};

constexpr ExistingFileAnswer kRename{true, false};
constexpr ExistingFileAnswer kRenameForAll{true, true};
constexpr ExistingFileAnswer kOverwrite{false, false};

class BatchRunTest : public ::testing::Test {
protected:
    BatchRunTest() {
        test::WriteStandIn(work.path() / "app", kStandIn);
        settings.applicationFolder = (work.path() / "app").string() + "/";
        fs::create_directories(in);
        fs::create_directories(out);
    }
    // Runs the listed sources (names in "in") into folder.
    BatchSummary Run(const std::vector<std::string>& names, TargetFormat format, const fs::path& folder,
                     ExistingFilePolicy policy = PolicyAsk, std::stop_token stop = {}) {
        job.m_arrSources.clear();
        for (const std::string& name : names) job.m_arrSources.push_back((in / name).string());
        job.m_nTargetFormat = format;
        job.m_strOutputFolder = folder.string();
        job.m_nExistingFilePolicy = policy;
        return RunConversionWorker(job, settings, record, record, record, stop);
    }
    // The expected log with {in} and {out} standing for the two folders.
    std::string Expand(std::string text) const {
        for (auto [key, value] : {std::pair{std::string("{in}"), in.string()}, {"{out}", out.string()}}) {
            for (std::size_t at; (at = text.find(key)) != std::string::npos;)
                text.replace(at, key.size(), value);
        }
        return text;
    }

    test::TempFolder work;
    fs::path in = work.path() / "in";
    fs::path out = work.path() / "out";
    ConverterSettings settings;
    ConversionJob job;
    Recording record;
};

struct RunCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // path under the work folder, content
    std::vector<std::string> sources;                        // names in "in"
    TargetFormat format;
    bool intoSourceFolder;
    ExistingFilePolicy policy;
    std::vector<std::optional<ExistingFileAnswer>> answers;
    std::string log;  // {in}, {out}: the folders
    std::vector<int> progress;
    std::map<std::string, std::string> after;  // path under the work folder, content
    int questions;
    std::vector<int> done = {0};
};

void PrintTo(const RunCase& row, std::ostream* out) {
    *out << row.name;
}

class Runs : public BatchRunTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(Runs, LogProgressQuestionsAndFiles) {
    const RunCase& row = GetParam();
    for (const auto& [path, content] : row.files) {
        if (content == "<folder>")
            fs::create_directories(work.path() / path);
        else
            work.WriteFile(path, content);
    }
    record.answers.assign(row.answers.begin(), row.answers.end());
    Run(row.sources, row.format, row.intoSourceFolder ? in : out, row.policy);

    EXPECT_EQ(record.log, Expand(row.log));
    EXPECT_EQ(record.progress, row.progress);
    // The dots move once per file started, and every file started says "From:".
    int started = 0;
    for (std::size_t at = 0; (at = row.log.find("From: ", at)) != std::string::npos; ++at) ++started;
    EXPECT_EQ(record.statusTicks, started);
    EXPECT_EQ(static_cast<int>(record.questions.size()), row.questions);
    EXPECT_EQ(record.done, row.done);
    for (const auto& [path, content] : row.after) EXPECT_EQ(ReadText(work.path() / path), content) << path;
    // Nothing but the expected files, and no temporary, is left in the output folder.
    for (const fs::directory_entry& entry : fs::directory_iterator(out))
        EXPECT_TRUE(row.after.contains("out/" + entry.path().filename().string()) || fs::is_directory(entry))
            << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    Batch, Runs,
    ::testing::Values(
        RunCase{"ThreeGoodFiles",
                {{"in/a.docx", "A"}, {"in/b.docx", "B"}, {"in/c.docx", "C"}},
                {"a.docx", "b.docx", "c.docx"},
                kFormatDoc,
                false,
                PolicyAsk,
                {},
                "From: {in}/a.docx\n  To: {out}/a.doc\nFrom: {in}/b.docx\n  To: {out}/b.doc\n"
                "From: {in}/c.docx\n  To: {out}/c.doc\n\nTotal files: 3; Converted: 3; Error: 0.",
                {33, 66, 100},
                {{"out/a.doc", "converted\nA"}, {"out/b.doc", "converted\nB"}, {"out/c.doc", "converted\nC"}},
                0},
        RunCase{"CopyOnlyLeavesTheBarAlone",
                {{"in/a.doc", "A"}},
                {"a.doc"},
                kFormatDoc,
                false,
                PolicyAsk,
                {},
                "From: {in}/a.doc\n  To: {out}/a.doc\n\nTotal files: 1; Converted: 1; Error: 0.",
                {},
                {{"out/a.doc", "A"}},
                0},
        RunCase{"SecondSourceMeetsTheFirstsOutput",
                {{"in/a.doc", "old"}, {"in/a.docx", "new"}},
                {"a.doc", "a.docx"},
                kFormatDocx,
                false,
                PolicyAsk,
                {kRename},
                "From: {in}/a.doc\n  To: {out}/a.docx\nFrom: {in}/a.docx\n  To: {out}/a.docx\n"
                "  Renamed: {out}/a_001.docx\n\nTotal files: 2; Converted: 2; Error: 0.",
                {50},
                {{"out/a.docx", "converted\nold"}, {"out/a_001.docx", "new"}},
                1},
        RunCase{"OwnTargetOverwrittenIsLeftUntouched",
                {{"in/a.docx", "mine"}},
                {"a.docx"},
                kFormatDocx,
                true,
                PolicyOverwrite,
                {},
                "From: {in}/a.docx\n  To: {in}/a.docx\n\nTotal files: 1; Converted: 1; Error: 0.",
                {},
                {{"in/a.docx", "mine"}},
                0},
        RunCase{"OwnTargetAutoRenamedIsCopiedBeside",
                {{"in/a.docx", "mine"}},
                {"a.docx"},
                kFormatDocx,
                true,
                PolicyAutoRename,
                {},
                "From: {in}/a.docx\n  To: {in}/a.docx\n  Renamed: {in}/a_001.docx\n\n"
                "Total files: 1; Converted: 1; Error: 0.",
                {},
                {{"in/a.docx", "mine"}, {"in/a_001.docx", "mine"}},
                0},
        RunCase{"AnAnswerSavedForTheTaskHoldsForTheRun",
                {{"in/a.docx", "A"}, {"in/b.docx", "B"}, {"out/a.doc", "old a"}, {"out/b.doc", "old b"}},
                {"a.docx", "b.docx"},
                kFormatDoc,
                false,
                PolicyAsk,
                {kRenameForAll},
                "From: {in}/a.docx\n  To: {out}/a.doc\n  Renamed: {out}/a_001.doc\n"
                "From: {in}/b.docx\n  To: {out}/b.doc\n  Renamed: {out}/b_001.doc\n\n"
                "Total files: 2; Converted: 2; Error: 0.",
                {50, 100},
                {{"out/a.doc", "old a"},
                 {"out/b.doc", "old b"},
                 {"out/a_001.doc", "converted\nA"},
                 {"out/b_001.doc", "converted\nB"}},
                1},
        RunCase{"AnAnswerNotSavedIsAskedAgain",
                {{"in/a.docx", "A"}, {"in/b.docx", "B"}, {"out/a.doc", "old a"}, {"out/b.doc", "old b"}},
                {"a.docx", "b.docx"},
                kFormatDoc,
                false,
                PolicyAsk,
                {kOverwrite, kOverwrite},
                "From: {in}/a.docx\n  To: {out}/a.doc\nFrom: {in}/b.docx\n  To: {out}/b.doc\n\n"
                "Total files: 2; Converted: 2; Error: 0.",
                {50, 100},
                {{"out/a.doc", "converted\nA"}, {"out/b.doc", "converted\nB"}},
                2},
        RunCase{"CancelEndsTheRunWithoutTotals",
                {{"in/a.docx", "A"}, {"in/b.docx", "B"}, {"in/c.docx", "C"}, {"out/b.doc", "old b"}},
                {"a.docx", "b.docx", "c.docx"},
                kFormatDoc,
                false,
                PolicyAsk,
                {std::nullopt},
                "From: {in}/a.docx\n  To: {out}/a.doc\nFrom: {in}/b.docx\n  To: {out}/b.doc\n"
                "  Cancelled: the files after this one were not converted.\n",
                {33},
                {{"out/a.doc", "converted\nA"}, {"out/b.doc", "old b"}},
                1},
        RunCase{"AFailedConversionIsLoggedAndCounted",
                {{"in/broken.docx", "x"}, {"in/b.docx", "B"}},
                {"broken.docx", "b.docx"},
                kFormatDoc,
                false,
                PolicyAsk,
                {},
                "From: {in}/broken.docx\n  To: {out}/broken.doc\n  Error: not a document\n"
                "From: {in}/b.docx\n  To: {out}/b.doc\n\nTotal files: 2; Converted: 1; Error: 1.",
                {50, 100},
                {{"out/b.doc", "converted\nB"}},
                0,
                {1}},
        // Converted, but the check found something missing: said under the file, counted, kept in view.
        RunCase{
            "ALossIsLoggedCountedAndKeptInView",
            {{"in/lossy.docx", "L"}, {"in/b.docx", "B"}},
            {"lossy.docx", "b.docx"},
            kFormatDoc,
            false,
            PolicyAsk,
            {},
            "From: {in}/lossy.docx\n  To: {out}/lossy.doc\n  Check: 2 of 5 comments lost\n"
            "From: {in}/b.docx\n  To: {out}/b.doc\n\nTotal files: 2; Converted: 2; With losses: 1; Error: 0.",
            {50, 100},
            {{"out/lossy.doc", "converted\nL"}, {"out/b.doc", "converted\nB"}},
            0,
            {1}},
        RunCase{"OverwriteKeepsTheOldTargetWhenTheConversionFails",
                {{"in/broken.docx", "x"}, {"out/broken.doc", std::string("old\0bytes\xff", 10)}},
                {"broken.docx"},
                kFormatDoc,
                false,
                PolicyOverwrite,
                {},
                "From: {in}/broken.docx\n  To: {out}/broken.doc\n  Error: not a document\n\n"
                "Total files: 1; Converted: 0; Error: 1.",
                {100},
                {{"out/broken.doc", std::string("old\0bytes\xff", 10)}},
                0,
                {1}},
        RunCase{"ATargetThatIsAFolderCannotBeReplaced",
                {{"in/a.docx", "A"}, {"out/a.doc", "<folder>"}},
                {"a.docx"},
                kFormatDoc,
                false,
                PolicyOverwrite,
                {},
                "From: {in}/a.docx\n  To: {out}/a.doc\n  Error: Save file error!\n\n"
                "Total files: 1; Converted: 0; Error: 1.",
                {},
                {},
                0,
                {1}},
        RunCase{"AVanishedSourceFails",
                {{"in/b.docx", "B"}},
                {"gone.docx", "b.docx"},
                kFormatDoc,
                false,
                PolicyAsk,
                {},
                "From: {in}/gone.docx\n  Error: the file no longer exists\n"
                "From: {in}/b.docx\n  To: {out}/b.doc\n\nTotal files: 2; Converted: 1; Error: 1.",
                {50, 100},
                {{"out/b.doc", "converted\nB"}},
                0,
                {1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BatchRunTest, TheQuestionNamesTheTargetAndHasAnEmptyLine) {
    work.WriteFile("in/a.docx", "A");
    work.WriteFile("out/a.doc", "old");
    record.answers.push_back(std::nullopt);
    Run({"a.docx"}, kFormatDoc, out);
    ASSERT_EQ(record.questions.size(), 1u);
    EXPECT_EQ(record.questions[0], "The file \"" + (out / "a.doc").string() +
                                       "\" has already existed!\n\nPlease select the settings you want.");
}

// Makes a folder refuse new files, also for the superuser (immutable); false when this machine allows
// neither that nor a plain read-only folder to hold.
bool MakeFolderRefuseWrites(const fs::path& folder, bool& immutable) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    immutable = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (fd >= 0) ::close(fd);
    if (immutable) return true;
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    return ::access(folder.c_str(), W_OK) != 0;
}

void AllowWrites(const fs::path& folder, bool immutable) {
    if (immutable) {
        int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        ::close(fd);
    }
    fs::permissions(folder, fs::perms::owner_all);
}

TEST_F(BatchRunTest, ATargetInAFolderThatRefusesTheMoveIsASaveFileError) {
    work.WriteFile("in/a.docx", "A");
    work.WriteFile("out/a.doc", "old");
    bool immutable = false;
    if (!MakeFolderRefuseWrites(out, immutable)) {
        AllowWrites(out, immutable);
        GTEST_SKIP() << "this machine lets this user write into a read-only folder";
    }
    BatchSummary summary = Run({"a.docx"}, kFormatDoc, out, PolicyOverwrite);
    AllowWrites(out, immutable);
    EXPECT_EQ(summary.errors, 1);
    EXPECT_EQ(record.log, Expand("From: {in}/a.docx\n  To: {out}/a.doc\n  Error: Save file error!\n\n"
                                 "Total files: 1; Converted: 0; Error: 1."));
    EXPECT_EQ(ReadText(out / "a.doc"), "old");
}

TEST_F(BatchRunTest, StopEndsTheConverterAndLeavesNothingBehind) {
    const fs::path pidFile = work.path() / "converter.pid";
    test::WriteStandIn(work.path() / "app", test::HangingConverter(pidFile));
    work.WriteFile("in/a.docx", "A");
    work.WriteFile("in/b.docx", "B");
    std::stop_source stop;
    std::jthread stopper([&] {
        for (int i = 0; i < 3000 && !test::HoldsTemporary(out); ++i) std::this_thread::sleep_for(20ms);
        stop.request_stop();
    });
    // The converter hangs for ever: only Stop ends this run, long before the bound would.
    settings.timeBound = 600s;
    auto started = std::chrono::steady_clock::now();
    BatchSummary summary = Run({"a.docx", "b.docx"}, kFormatDoc, out, PolicyAsk, stop.get_token());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 300s);
    EXPECT_EQ(summary.end, BatchEnd::Stopped);
    EXPECT_EQ(record.statusTicks, 1);  // the second file was never started
    EXPECT_EQ(record.log, Expand("From: {in}/a.docx\n  To: {out}/a.doc\n"));
    EXPECT_TRUE(record.done.empty());
    EXPECT_TRUE(fs::is_empty(out));
    const pid_t pid = std::stoi(ReadText(pidFile));
    EXPECT_TRUE(::kill(pid, 0) != 0 && errno == ESRCH) << "the converter is still there";
}

TEST_F(BatchRunTest, WhatAKilledRunWasWritingGoesWhenTheNextRunPassesThrough) {
    // A process that has ended: its id names nobody now.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = std::to_string(gone), alive = std::to_string(::getpid());
    const std::vector<std::string> stale = {".a.doc.zuv0-" + dead + "-Ab12Cd.doc",
                                            ".b.doc.larkspan-" + dead + "-x1Y2z3"};
    const std::vector<std::string> kept = {".c.doc.zuv0-" + alive + "-Ab12Cd.doc", ".notes",
                                           ".d.zuv0-12-ab.doc"};
    for (const std::string& name : stale) work.WriteFile("out/" + name);
    for (const std::string& name : kept) work.WriteFile("out/" + name);
    work.WriteFile("in/a.docx", "A");
    Run({"a.docx"}, kFormatDoc, out);
    for (const std::string& name : stale) EXPECT_FALSE(fs::exists(out / name)) << name;
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(out / name)) << name;
    EXPECT_EQ(ReadText(out / "a.doc"), "converted\nA");
}

// Files go ahead of their turn on a second engine: the log reads as it does on one engine, and a file goes
// beside another only when nothing can be asked about it and the two cannot write one file. The stand-in
// notes each file that converts while another conversion is under way; one whose name holds "pair" waits for
// another (as long as a busy machine needs), one whose name holds "solo" gives another 2 s to come.
struct AheadCase {
    const char* name;
    std::vector<std::string> sources;   // also their contents
    std::vector<std::string> existing;  // targets in "out" before the run
    std::vector<std::optional<ExistingFileAnswer>> answers;
    std::vector<std::string> beside;  // the "pair" and "solo" files converted beside another
    std::vector<std::string> made;    // the targets then in "out"
};

class Ahead : public BatchRunTest, public ::testing::WithParamInterface<AheadCase> {
protected:
    // The worker's log and the stand-in's notes of a run on that many engines.
    std::pair<std::string, std::vector<std::string>> RunOn(const char* engines, bool waiting) {
        for (const fs::path& folder : {out, work.path() / "busy"}) {
            fs::remove_all(folder);
            fs::create_directories(folder);
        }
        for (const std::string& name : GetParam().existing) work.WriteFile("out/" + name, "old");
        fs::remove(work.path() / "notes");
        record = Recording();
        record.answers.assign(GetParam().answers.begin(), GetParam().answers.end());
        ::setenv("LARKSPAN_JOBS", engines, 1);
        ::setenv("STAND_IN_WAITS", waiting ? "1" : "", 1);
        ::setenv("STAND_IN_DIR", (work.path() / "busy").c_str(), 1);
        Run(GetParam().sources, kFormatDoc, out);
        ::unsetenv("LARKSPAN_JOBS");
        ::unsetenv("STAND_IN_WAITS");
        std::vector<std::string> beside;
        std::istringstream notes(ReadText(work.path() / "notes"));
        for (std::string line; std::getline(notes, line);)
            if (line.find("pair") != std::string::npos || line.find("solo") != std::string::npos)
                beside.push_back(line);
        std::sort(beside.begin(), beside.end());
        return {record.log, beside};
    }
};

TEST_P(Ahead, LogsAsOneByOneAndGoesBesideOnlyWhenSafe) {
    // In $STAND_IN_DIR: started.NAME and ended.NAME for every conversion, seen.NAME for one that another
    // found under way; one that sees another under way, or was seen, is noted in $STAND_IN_DIR/../notes.
    test::WriteStandIn(work.path() / "app", R"(case "$2" in *broken*) exit 4;; esac
d=$STAND_IN_DIR; name=$(basename "$2"); touch "$d/started.$name"
look() {
  [ -e "$d/seen.$name" ] && return 0
  [ $(( $(ls "$d" | grep -c '^started\.') - $(ls "$d" | grep -c '^ended\.') )) -ge 2 ] || return 1
  for f in "$d"/started.*; do o=${f##*/started.}
    [ "$o" != "$name" ] && [ ! -e "$d/ended.$o" ] && touch "$d/seen.$o"; done
  return 0
}
tries=1
if [ -n "$STAND_IN_WAITS" ]; then case $name in *pair*) tries=1200;; *solo*) tries=40;; esac; fi
for i in $(seq $tries); do
  if look; then echo "$name" >> "$d/../notes"; break; fi
  [ $i -lt $tries ] && sleep 0.05
done
touch "$d/ended.$name"
{ echo converted; cat "$2"; } > "$3")");
    for (const std::string& name : GetParam().sources) work.WriteFile("in/" + name, name);

    const auto [log, beside] = RunOn("2", true);
    EXPECT_EQ(beside, GetParam().beside);
    std::vector<std::string> made;
    for (const fs::directory_entry& entry : fs::directory_iterator(out))
        made.push_back(entry.path().filename().string() + ": " + ReadText(entry.path()));
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, GetParam().made);
    EXPECT_EQ(RunOn("1", false).first, log);
}

INSTANTIATE_TEST_SUITE_P(
    Batch, Ahead,
    ::testing::Values(AheadCase{"NewTargetsGoTogether",
                                {"a_pair.docx", "b_pair.docx", "c.docx"},
                                {},
                                {},
                                {"a_pair.docx", "b_pair.docx"},
                                {"a_pair.doc: converted\na_pair.docx", "b_pair.doc: converted\nb_pair.docx",
                                 "c.doc: converted\nc.docx"}},
                      AheadCase{"AnExistingTargetIsAskedAndGoesAlone",
                                {"a_solo.docx", "b.docx"},
                                {"a_solo.doc"},
                                {kOverwrite},
                                {},
                                {"a_solo.doc: converted\na_solo.docx", "b.doc: converted\nb.docx"}},
                      AheadCase{"TargetsThatMayBeOneFileGoApart",
                                {"x_solo.docx", "X_solo.docx"},
                                {},
                                {},
                                {},
                                {"X_solo.doc: converted\nX_solo.docx", "x_solo.doc: converted\nx_solo.docx"}},
                      // b fails at once; its engine takes c while a still waits.
                      AheadCase{
                          "AFailureAheadIsToldInItsTurn",
                          {"a_pair.docx", "b_broken.docx", "c_pair.docx"},
                          {},
                          {},
                          {"a_pair.docx", "c_pair.docx"},
                          {"a_pair.doc: converted\na_pair.docx", "c_pair.doc: converted\nc_pair.docx"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RenameCase {
    const char* name;
    std::vector<std::string> existing;
    std::string path;
    std::string expected;
};

class AutoRename : public ::testing::TestWithParam<RenameCase> {};

TEST_P(AutoRename, TakesTheFirstFreeNumber) {
    test::TempFolder folder;
    for (const std::string& name : GetParam().existing) folder.WriteFile(name);
    EXPECT_EQ(AutoRenamePath(folder.str() + "/" + GetParam().path), folder.str() + "/" + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, AutoRename,
    ::testing::Values(RenameCase{"Plain", {"report.doc"}, "report.doc", "report_001.doc"},
                      RenameCase{"NumberedGoesOn", {"report_007.doc"}, "report_007.doc", "report_008.doc"},
                      RenameCase{"PastThreeDigits", {}, "report_999.doc", "report_1000.doc"},
                      RenameCase{"FourDigitsAreNotANumber", {}, "report_1000.doc", "report_1000_001.doc"},
                      RenameCase{"NoDot", {}, "report", "report_001"},
                      RenameCase{"TakenNumbersAreSkipped",
                                 {"report_001.doc", "report_002.doc"},
                                 "report.doc",
                                 "report_003.doc"},
                      RenameCase{"ADotInAFolderIsNoExtension", {}, "v1.2/report", "v1.2/report_001"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace larkspan
