#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "../converter/zip_builder.h"
#include "cli_run.h"
#include "tests/support/own_processes.h"

namespace larkspan::test {
namespace {

TEST_F(CliConversion, DocToDocxKeepsTheText) {
    fs::copy_file(kSamples / "report.doc", in / "REPORT.DOC");
    RunResult run = RunLarkspan({(in / "*.doc").string(), "DOCX", out.string() + "/"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    const fs::path target = out / "REPORT.docx";
    ASSERT_TRUE(fs::exists(target));
    std::string text = ReadWords(target);
    for (const char* words : {"Quarterly report", "bold in places", "italic in others", "Größe der Straße",
                              "naïve café", "Ελληνικά", "Καλημέρα κόσμε", "Widget"})
        EXPECT_NE(text.find(words), std::string::npos) << words << "\n" << text;
}

TEST_F(CliConversion, DocxToDocKeepsTheText) {
    fs::copy_file(kSamples / "memo.docx", in / "Memo.DocX");
    fs::copy_file(kSamples / "letter.docx", in / "letter.docx");
    RunResult run = RunLarkspan({(in / "*.docx").string(), "doc", out.string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_TRUE(fs::exists(out / "Memo.doc"));
    ASSERT_TRUE(fs::exists(out / "letter.doc"));
    std::string memo = ReadWords(out / "Memo.doc");
    for (const char* words : {"Memo", "to the point", "Zoë", "Kraków", "Århus", "μην ξεχάσετε"})
        EXPECT_NE(memo.find(words), std::string::npos) << words << "\n" << memo;
    std::string letter = ReadWords(out / "letter.doc");
    for (const char* words : {"Letter to the printers", "Привет, мир", "Crème brûlée", "Jörg Ødegård"})
        EXPECT_NE(letter.find(words), std::string::npos) << words << "\n" << letter;
}

struct FirstMinuteCase {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
    int status;
    const char* output;  // found in what it printed (standard output and error)
};

class FirstMinute : public CliConversion, public ::testing::WithParamInterface<FirstMinuteCase> {};

// What a new user tries first answers with what it is and how to use it.
TEST_P(FirstMinute, AnswersAndSaysHow) {
    std::vector<std::string> argv = {LARKSPAN_PROGRAM};
    argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    const Finished run = test::Run(argv, GetParam().environment);
    EXPECT_EQ(run.exitCode, GetParam().status) << run.err;
    EXPECT_NE((run.out + run.err).find(GetParam().output), std::string::npos) << run.out << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Usage, FirstMinute,
    ::testing::Values(FirstMinuteCase{"Help", {"--help"}, {}, 0, "--shard-index-env VAR --shard-count N"},
                      FirstMinuteCase{"Version", {"--version"}, {}, 0, "LibreOffice 7"},
                      FirstMinuteCase{"NoDisplay",
                                      {},
                                      {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="},
                                      2,
                                      "no display to open the window on"},
                      FirstMinuteCase{"UnknownOption", {"--frobnicate"}, {}, 2, "Try 'larkspan --help'"}),
    [](const auto& info) { return info.param.name; });

// Killed outright in the middle of a tree, then run again with --update: every document is converted once
// over the two runs, the reports say so line by line, and no target is half-written.
TEST_F(CliConversion, AKilledTreeRunResumesWithUpdate) {
    // Enough that the run is still busy when the first targets appear, with engines fast on small files.
    constexpr int kDocuments = 150;
    for (int i = 0; i < kDocuments; ++i) {
        const fs::path folder = in / ("part " + std::to_string(i % 5)) / ("sub" + std::to_string(i % 3));
        fs::create_directories(folder);
        fs::copy_file(kSamples / "report.doc", folder / ("r" + std::to_string(i) + ".doc"));
    }
    const fs::path report = work.path() / "run.jsonl";
    const std::vector<std::string> arguments = {"-r",        "-u",   "--report",  report.string(),
                                                in.string(), "docx", out.string()};
    const auto targets = [&] {
        std::vector<fs::path> found;
        for (const auto& entry : fs::recursive_directory_iterator(out))
            if (entry.is_regular_file()) found.push_back(entry.path());
        return found;
    };
    const ProcessTag run;
    const pid_t larkspan = ::fork();
    if (larkspan == 0) {
        std::vector<char*> argv = {const_cast<char*>(LARKSPAN_PROGRAM)};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(LARKSPAN_PROGRAM, argv.data());
        ::_exit(127);
    }
    for (int i = 0; i < 12000 && targets().size() < 5; ++i) std::this_thread::sleep_for(10ms);
    ::kill(larkspan, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(larkspan, &status, 0), larkspan);
    for (int i = 0; i < 400 && !run.Running(LARKSPAN_CONVERTER).empty(); ++i)
        std::this_thread::sleep_for(50ms);
    const std::size_t finished = targets().size();
    ASSERT_LT(finished, static_cast<std::size_t>(kDocuments)) << "the run ended before it could be killed";

    // Every line of the killed run's report is JSON, each file it tells of as converted is there, and it
    // tells of every file it finished: all but those whose engine had just answered (one per engine).
    const auto query = [&](const std::string& filter) {
        const Finished jq = test::Run({"jq", "-r", "-s", filter, report.string()});
        EXPECT_EQ(jq.exitCode, 0) << jq.err;
        return jq.out;
    };
    const std::vector<std::string> told =
        test::Lines(query(".[] | select(.type==\"file\" and .outcome==\"converted\") | .target"));
    for (const std::string& target : told) EXPECT_TRUE(fs::exists(target)) << target;
    EXPECT_LE(told.size(), finished);
    EXPECT_GE(told.size() + 4, finished);

    const RunResult resumed = RunLarkspan(arguments);
    EXPECT_EQ(resumed.status, 0) << resumed.errors;
    EXPECT_EQ(targets().size(), static_cast<std::size_t>(kDocuments));
    // Over both runs no document was converted twice, and every one is told of: as converted, or as skipped
    // by the second run (one whose target was put in place just before the kill, and not yet told of).
    EXPECT_EQ(query("[.[] | select(.type==\"file\" and .outcome==\"converted\") | .source] | group_by(.) | "
                    "(map(length) | unique) == [1]"),
              "true\n");
    EXPECT_EQ(query("[.[] | select(.type==\"file\") | .source] | unique | length"),
              std::to_string(kDocuments) + "\n");
    EXPECT_EQ(query("[.[] | select(.type==\"totals\")] | .[-1] | [.skipped + .converted, .failed] | @csv"),
              std::to_string(kDocuments) + ",0\n");
    for (const fs::path& target : targets()) {
        EXPECT_FALSE(target.filename().string().starts_with(".")) << "a temporary was left: " << target;
        EXPECT_NE(ReadWords(target).find("Quarterly report"), std::string::npos) << target;
    }
}

TEST_F(CliConversion, ASourceInTheTargetFormatIsCopiedUnchanged) {
    fs::copy_file(kSamples / "memo.docx", in / "memo.docx");
    RunResult run = RunLarkspan({(in / "memo.docx").string(), "docx", out.string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(test::ReadText(out / "memo.docx"), test::ReadText(kSamples / "memo.docx"));
}

TEST_F(CliConversion, BrokenSourcesFailWithAReasonAndLeaveNoTarget) {
    std::string doc = test::ReadText(kSamples / "report.doc");
    std::string docx = test::ReadText(kSamples / "memo.docx");
    std::mt19937 random(42);
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    WriteBytes(in / "truncated.doc", doc.substr(0, doc.size() / 3));
    WriteBytes(in / "truncated.docx", docx.substr(0, docx.size() / 2));
    WriteBytes(in / "empty.doc", "");
    WriteBytes(in / "noise.docx", noise);
    fs::copy_file(kSamples / "report.doc", in / "good.doc");
    fs::copy_file(kSamples / "memo.docx", in / "good2.docx");

    RunResult toDocx = RunLarkspan({(in / "*.doc").string(), "docx", out.string()});
    RunResult toDoc = RunLarkspan({(in / "*.docx").string(), "doc", out.string()});
    EXPECT_EQ(toDocx.status, 1);
    EXPECT_EQ(toDoc.status, 1);
    const std::string errors = toDocx.errors + toDoc.errors;
    for (const char* name : {"truncated.doc", "empty.doc", "truncated.docx", "noise.docx"}) {
        const std::string line = (in / name).string() + ": ";
        EXPECT_NE(errors.find(line), std::string::npos) << name << "\n" << errors;
    }
    // One line per failed file, each with a reason after the path.
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 4) << errors;
    // The good files of the same runs were converted; nothing else is in the output folder.
    std::set<std::string> produced;
    for (const auto& entry : fs::directory_iterator(out)) produced.insert(entry.path().filename().string());
    EXPECT_EQ(produced, (std::set<std::string>{"good.docx", "good2.doc"}));
    EXPECT_NE(ReadWords(out / "good.docx").find("Quarterly report"), std::string::npos);
}

int Count(const fs::path& folder, const std::string& extension) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) count += entry.path().extension() == extension;
    return count;
}

// After a run was ended from outside: none of its engines outlives it (they may take a moment to see their
// parent gone, longer on a loaded machine), an engine whose parent went removes what it was writing, and
// every target that exists is whole (an independent reader finds WORDS).
void ExpectEndedCleanly(const ProcessTag& run, const fs::path& targets, const std::string& extension,
                        const std::string& words) {
    for (int i = 0; i < 400 && !run.Running(LARKSPAN_CONVERTER).empty(); ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(run.Running(LARKSPAN_CONVERTER).empty()) << "an engine outlived its parent by 20 s";
    EXPECT_FALSE(HoldsTemporary(targets));
    for (const auto& entry : fs::directory_iterator(targets)) {
        if (entry.path().extension() != extension) continue;
        EXPECT_NE(ReadWords(entry.path()).find(words), std::string::npos) << entry.path();
    }
}

struct EndCase {
    const char* name;
    int signal;
};

class EndedFromOutside : public CliConversion, public ::testing::WithParamInterface<EndCase> {};

// Ended in the middle of a batch, by Ctrl+C, a polite kill or SIGKILL: no engine outlives larkspan, no
// temporary is left, every target that exists is whole, and larkspan ends by that signal, as a shell loop
// around it must see.
TEST_P(EndedFromOutside, LeavesNoEngineAndNoHalfWrittenTarget) {
    for (int i = 0; i < 40; ++i)
        fs::copy_file(kSamples / "report.doc", in / ("r" + std::to_string(i) + ".doc"));
    // Started plainly, not in a group of its own that the test would end with it: what happens to the
    // engines is larkspan's doing alone.
    const std::string pattern = (in / "*.doc").string(), target = out.string();
    const ProcessTag run;
    const pid_t larkspan = ::fork();
    if (larkspan == 0) {
        ::execl(LARKSPAN_PROGRAM, LARKSPAN_PROGRAM, pattern.c_str(), "docx", target.c_str(), nullptr);
        ::_exit(127);
    }
    ASSERT_GT(larkspan, 0);
    for (int i = 0; i < 2400 && Count(out, ".docx") < 3; ++i) std::this_thread::sleep_for(50ms);
    ASSERT_GE(Count(out, ".docx"), 3) << "the batch did not get going";
    ::kill(larkspan, GetParam().signal);
    int status = 0;
    ASSERT_EQ(::waitpid(larkspan, &status, 0), larkspan);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exited with status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), GetParam().signal);
    ExpectEndedCleanly(run, out, ".docx", "Quarterly report");
}

// The window's batch killed in the middle, as the window's process: the same holds as for the command line.
TEST_F(CliConversion, AKilledWindowLeavesNoEngineAndNoHalfWrittenTarget) {
    for (int i = 0; i < 40; ++i)
        fs::copy_file(kSamples / "memo.docx", in / ("m" + std::to_string(i) + ".docx"));
    const std::string folder = in.string();
    const ProcessTag run;
    const pid_t window = ::fork();
    if (window == 0) {
        ::execl(LARKSPAN_WINDOW_BATCH, LARKSPAN_WINDOW_BATCH, folder.c_str(), nullptr);
        ::_exit(127);
    }
    ASSERT_GT(window, 0);
    for (int i = 0; i < 2400 && Count(in, ".doc") < 3; ++i) std::this_thread::sleep_for(50ms);
    ASSERT_GE(Count(in, ".doc"), 3) << "the batch did not get going";
    ASSERT_LT(Count(in, ".doc"), 40) << "the batch ended before it could be killed";
    ASSERT_FALSE(run.Running(LARKSPAN_CONVERTER).empty())
        << "the window's engine is not the one this test looks for";
    ::kill(window, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(window, &status, 0), window);
    ASSERT_TRUE(WIFSIGNALED(status));
    ExpectEndedCleanly(run, in, ".doc", "Kraków");
}

// The largest resident memory any engine of the run reached, watched from outside while it runs.
class EnginePeakWatch {
public:
    explicit EnginePeakWatch(const ProcessTag& run)
        : thread_([this, &run](std::stop_token stop) {
              while (!stop.stop_requested()) {
                  for (pid_t engine : run.Running(LARKSPAN_CONVERTER)) {
                      std::ifstream status("/proc/" + std::to_string(engine) + "/status");
                      for (std::string line; std::getline(status, line);) {
                          unsigned long long kib = 0;
                          if (std::sscanf(line.c_str(), "VmHWM: %llu kB", &kib) == 1)
                              peak_ = std::max<std::uint64_t>(peak_, kib << 10);
                      }
                  }
                  std::this_thread::sleep_for(5ms);
              }
          }) {}
    std::uint64_t Peak() {
        thread_.request_stop();
        thread_.join();
        return peak_;
    }

private:
    std::atomic<std::uint64_t> peak_{0};
    std::jthread thread_;
};

// A 300 KB package whose word/document.xml inflates to 100 MB of one-letter paragraphs: sizes a document can
// have, so the content check lets it through, and LibreOffice would take gigabytes building it. The engine's
// memory cap stops it with its own reason long before the time bound, and the batch goes on.
TEST_F(CliConversion, ADocumentPastTheMemoryCapFailsWithItsReasonAndTheBatchGoesOn) {
    using zuv0::testing::ZipEntry;
    constexpr std::string_view paragraph = "<w:p><w:r><w:t>a</w:t></w:r></w:p>";
    std::vector<ZipEntry> parts = zuv0::testing::WordParts({});
    parts.back() = {parts.back().name, zuv0::testing::DocumentHead(), std::string(paragraph),
                    100'000'000 / paragraph.size(), std::string(zuv0::testing::kDocumentTail)};
    WriteBytes(in / "huge.docx", zuv0::testing::BuildZip(parts));
    ASSERT_LT(fs::file_size(in / "huge.docx"), 400'000u);
    fs::copy_file(kSamples / "memo.docx", in / "memo.docx");
    constexpr std::uint64_t cap = std::uint64_t(1024) << 20;
    ::setenv("LARKSPAN_ENGINE_MEMORY", "1024", 1);

    const ProcessTag engines;
    EnginePeakWatch watch(engines);
    RunResult run = RunLarkspan({(in / "*.docx").string(), "doc", out.string()});
    const std::uint64_t peak = watch.Peak();
    ::unsetenv("LARKSPAN_ENGINE_MEMORY");

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, (in / "huge.docx").string() +
                              ": too large to convert: it needs more than 1024 MiB of memory\n");
    EXPECT_NE(ReadWords(out / "memo.doc").find("Kraków"), std::string::npos);
    EXPECT_FALSE(fs::exists(out / "huge.doc"));
    EXPECT_FALSE(HoldsTemporary(out));
    // The cap is kept by watching: the engine may grow for one look's worth past it, no more.
    EXPECT_GT(peak, cap / 2) << "the engine never came near the cap";
    EXPECT_LT(peak, cap + (std::uint64_t(32) << 20)) << "peak " << (peak >> 20) << " MiB";
    std::printf("engine peak %llu KiB under a cap of %llu KiB\n", static_cast<unsigned long long>(peak >> 10),
                static_cast<unsigned long long>(cap >> 10));
}

INSTANTIATE_TEST_SUITE_P(Signals, EndedFromOutside,
                         ::testing::Values(EndCase{"CtrlC", SIGINT}, EndCase{"Terminated", SIGTERM},
                                           EndCase{"Killed", SIGKILL}),
                         [](const auto& info) { return std::string(info.param.name); });

// The check with the real engine: LibreOffice drops the picture in the comment of testComment.docx, which
// is said, or with --strict fails the file and keeps the old target; the memo comes through whole, silently.
struct RealCheckCase {
    const char* name;
    std::vector<std::string> options;
    int status;
    const char* said;     // about testComment.docx on standard error, after its path
    const char* outcome;  // of testComment.docx in the report
    const char* check;    // its pictures before and after, as the report gives them
};

class RealCheck : public CliConversion, public ::testing::WithParamInterface<RealCheckCase> {};

TEST_P(RealCheck, NamesWhatLibreOfficeLost) {
    const RealCheckCase& row = GetParam();
    fs::copy_file(kSamples / "third-party/testComment.docx", in / "testComment.docx");
    fs::copy_file(kSamples / "memo.docx", in / "memo.docx");
    WriteBytes(out / "testComment.doc", "the old target");
    const fs::path report = work.path() / "run.jsonl";
    std::vector<std::string> arguments = row.options;
    for (const std::string& more :
         {std::string("--report"), report.string(), in.string(), std::string("doc"), out.string()})
        arguments.push_back(more);

    const RunResult run = RunLarkspan(arguments);
    EXPECT_EQ(run.status, row.status) << run.errors;
    const std::string said = row.said[0] ? (in / "testComment.docx").string() + row.said + "\n" : "";
    EXPECT_EQ(run.errors.find("memo"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find(said), std::string::npos) << run.errors;
    if (!row.said[0]) {
        EXPECT_EQ(run.errors.find("converted, but"), std::string::npos) << run.errors;
    }
    EXPECT_EQ(test::ReadText(out / "testComment.doc") == "the old target", row.status != 0);
    EXPECT_NE(ReadWords(out / "memo.doc").find("Memo"), std::string::npos);

    const Finished jq =
        test::Run({"jq", "-r",
                   "select(.type==\"file\") | [(.source | split(\"/\") | last), "
                   ".outcome, (.losses | join(\"; \")), "
                   "(.check.source.pictures // \"-\"), (.check.converted.pictures // \"-\")] | @tsv",
                   report.string()});
    EXPECT_EQ(jq.exitCode, 0) << jq.err;
    std::vector<std::string> lines = test::Lines(jq.out);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         std::string("memo.docx\tconverted\t\t") + (row.check[0] == '-' ? "-\t-" : "0\t0"),
                         std::string("testComment.docx\t") + row.outcome + "\t" +
                             (row.check[0] == '-' ? "" : "the picture was lost") + "\t" + row.check}));
}

INSTANTIATE_TEST_SUITE_P(
    Check, RealCheck,
    ::testing::Values(
        RealCheckCase{"ByDefault", {}, 0, ": converted, but the picture was lost", "converted", "1\t0"},
        RealCheckCase{"Strict", {"--strict"}, 1, ": content lost (the picture was lost)", "failed", "1\t0"},
        RealCheckCase{"NotAskedFor", {"--no-verify"}, 0, "", "converted", "-\t-"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace larkspan::test
