// What the command line says, as one line per case: the sources, the format word, the output folder and the
// options, or why the arguments make no run.

#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace larkspan {
namespace {

std::string Described(const CommandLineArguments& a) {
    if (!a.commandLine) return "window";
    if (a.help) return "help";
    if (a.version) return "version";
    if (!a.error.empty()) return "error: " + a.error;
    std::string text = "[";
    for (const std::string& source : a.sources) text += (text.size() > 1 ? "|" : "") + source;
    text += "] " + a.format + " " + a.output;
    for (const auto& [set, word] :
         {std::pair(a.recursive, " -r"), std::pair(a.update, " -u"), std::pair(a.keepTimes, " --keep-times"),
          std::pair(a.nullSeparated, " -0")})
        if (set) text += word;
    if (!a.filesFrom.empty()) text += " from=" + a.filesFrom;
    if (!a.relativeTo.empty()) text += " below=" + a.relativeTo;
    if (!a.report.empty()) text += " report=" + a.report;
    if (a.shard) text += " shard=" + std::to_string(a.shard->index) + "/" + std::to_string(a.shard->count);
    if (!a.shardIndexEnv.empty()) text += " shard=$" + a.shardIndexEnv + "/" + std::to_string(a.shardCount);
    return text;
}

struct ArgvCase {
    const char* name;
    std::vector<const char*> argv;
    const char* expected;
};

class CommandLineSplit : public ::testing::TestWithParam<ArgvCase> {};

TEST_P(CommandLineSplit, SaysWhatTheArgumentsMean) {
    std::vector<const char*> argv = {"larkspan"};
    argv.insert(argv.end(), GetParam().argv.begin(), GetParam().argv.end());
    const CommandLineArguments parsed =
        CommandLineArguments::FromArgv(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(Described(parsed), GetParam().expected);
    if (parsed.commandLine) {
        EXPECT_EQ(parsed.given, std::vector<std::string>(GetParam().argv.begin(), GetParam().argv.end()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineSplit,
    ::testing::Values(
        ArgvCase{"None", {}, "window"}, ArgvCase{"EmptyFirst", {"", "docx", "/out"}, "window"},
        ArgvCase{"Three", {"/d/*.doc", "DOCX", "/out/"}, "[/d/*.doc] DOCX /out/"},
        ArgvCase{"SpacesKept", {"/my docs/*.doc", "doc", "/out dir"}, "[/my docs/*.doc] doc /out dir"},
        ArgvCase{"AnyWordWithOneSource", {"a.doc", "pdf", "out"}, "[a.doc] pdf out"},
        // The shell expanded a pattern: the last two are the format word and the folder, as with cp.
        ArgvCase{"ExpandedPattern",
                 {"q/a.docx", "q/b.docx", "q/c.docx", "doc", "out"},
                 "[q/a.docx|q/b.docx|q/c.docx] doc out"},
        ArgvCase{"ExpandedWithoutFormat",
                 {"q/a.docx", "q/b.docx", "q/c.docx", "q/d.docx"},
                 "error: 'q/c.docx' is not doc or docx: the last two arguments are FORMAT and OUTPUT-FOLDER"},
        ArgvCase{"SourceOnly", {"src/*.docx"}, "error: FORMAT and OUTPUT-FOLDER are both needed"},
        ArgvCase{"NoOutput", {"src/*.docx", "doc"}, "error: FORMAT and OUTPUT-FOLDER are both needed"},
        ArgvCase{"EmptyOutput", {"src/*.docx", "doc", ""}, "error: the output folder is empty"},
        ArgvCase{"EmptyFormat", {"src/*.docx", "", "out"}, "error: the format word is empty"},
        ArgvCase{"Help", {"--help"}, "help"}, ArgvCase{"ShortHelp", {"-h", "x"}, "help"},
        ArgvCase{"Version", {"--version"}, "version"},
        ArgvCase{"BundledFlags", {"-ru", "in", "docx", "out"}, "[in] docx out -r -u"},
        ArgvCase{"LongFlags",
                 {"--recursive", "--update", "--keep-times", "in", "docx", "out"},
                 "[in] docx out -r -u --keep-times"},
        ArgvCase{"ValuesBothWays",
                 {"--report=r.jsonl", "--shard", "2/4", "in", "doc", "out"},
                 "[in] doc out report=r.jsonl shard=2/4"},
        ArgvCase{"OptionsAfterSources", {"in", "doc", "out", "-r"}, "[in] doc out -r"},
        ArgvCase{"DashDashEndsOptions", {"-r", "--", "-odd.doc", "docx", "out"}, "[-odd.doc] docx out -r"},
        ArgvCase{"ShardFromTheScheduler",
                 {"--shard-index-env", "SLURM_ARRAY_TASK_ID", "--shard-count=4", "in", "docx", "out"},
                 "[in] docx out shard=$SLURM_ARRAY_TASK_ID/4"},
        ArgvCase{"ShardCountsFromZero",
                 {"--shard", "4/4", "in", "docx", "out"},
                 "error: --shard 4/4: K counts from 0, so it is 0 to 3"},
        ArgvCase{"ShardNotANumber",
                 {"--shard", "a/4", "in", "docx", "out"},
                 "error: --shard a/4: give K/N, two whole numbers, N at least 1"},
        ArgvCase{"ShardTwice",
                 {"--shard", "0/2", "--shard-index-env", "I", "--shard-count", "2", "in", "doc", "out"},
                 "error: give --shard or --shard-index-env with --shard-count, not both"},
        ArgvCase{"ShardEnvAlone",
                 {"--shard-index-env", "I", "in", "doc", "out"},
                 "error: --shard-index-env and --shard-count go together"},
        ArgvCase{"FilesFrom",
                 {"--files-from", "-", "-0", "--relative-to", "/srv", "docx", "out"},
                 "[] docx out -0 from=- below=/srv"},
        ArgvCase{"FilesFromWithASource",
                 {"--files-from", "list", "a.doc", "docx", "out"},
                 "error: with --files-from, give FORMAT and OUTPUT-FOLDER and no source"},
        ArgvCase{"RelativeToAlone",
                 {"--relative-to", "/srv", "in", "docx", "out"},
                 "error: --relative-to goes with --files-from"},
        ArgvCase{"StrictWithoutTheCheck", {"--strict", "--no-verify", "in", "docx", "out"},
                 "error: --strict needs the check that --no-verify turns off"},
        ArgvCase{"UnknownLong", {"--frobnicate", "in", "docx", "out"}, "error: unknown option --frobnicate"},
        ArgvCase{"UnknownShort", {"-x", "in", "docx", "out"}, "error: unknown option -x"},
        ArgvCase{"MissingValue", {"in", "docx", "out", "--report"}, "error: option --report needs a value"},
        ArgvCase{
            "FlagWithValue", {"--update=yes", "in", "docx", "out"}, "error: option --update takes no value"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace larkspan
