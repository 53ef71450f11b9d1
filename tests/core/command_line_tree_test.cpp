// Whole trees from the command line: recursion and its mirror, lists, shards, --update and --keep-times,
// and the report, over a stand-in converter that keeps a log of what it converted.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/command_line_sources.h"
#include "tests/core/command_line_fixture.h"
#include "tests/support/child.h"

namespace larkspan {
namespace {

namespace fs = std::filesystem;
using test::ReadText;

// A tree whose names a careless walk trips over: spaces, a line end, a tab, bytes that are not UTF-8,
// letters outside ASCII, deep nesting; a hidden folder and a hidden file, which are passed over; and a link
// that leads back up, which is not followed. Returns the documents' paths below root.
std::set<std::string> PlantTree(const fs::path& root) {
    const std::set<std::string> documents = {"plain.doc",
                                             "with space.doc",
                                             "line\nend.doc",
                                             "caf\xe9.doc",
                                             "a/b/c/d/e/f/deep.doc",
                                             "a/b/sibling.doc",
                                             "x y/z\tz.doc",
                                             "\xc3\xbc"
                                             "ber/stra\xc3\x9f"
                                             "e.doc"};
    for (const std::string& name : documents) {
        fs::create_directories((root / name).parent_path());
        test::WriteBytes(root / name, name);
    }
    fs::create_directories(root / ".hidden");
    test::WriteBytes(root / ".hidden" / "secret.doc", "hidden");
    test::WriteBytes(root / "a" / ".also hidden.doc", "hidden");
    fs::create_directory_symlink(root / "a", root / "a" / "b" / "up");
    return documents;
}

CommandLineArguments Parsed(std::vector<std::string> arguments) {
    std::vector<const char*> argv = {"larkspan"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    return CommandLineArguments::FromArgv(static_cast<int>(argv.size()), argv.data());
}

// Every document of a tree is in exactly one shard, whatever the number of shards, the order every machine
// sorts them in is the same, and two documents that meet in one target are in one shard, whose run tells
// them apart.
TEST(Shards, TakeEveryDocumentOfATreeExactlyOnce) {
    test::TempFolder work;
    std::set<std::string> documents = PlantTree(work / "in");
    for (const char* name : {"a/pair.doc", "a/PAIR.docx"}) {
        test::WriteBytes(work / "in" / name, name);
        documents.insert(name);
    }
    MainWindow window;
    const CollectedSources all =
        CollectSources(window, Parsed({"-r", (work / "in").string(), "docx", "/out"}), "/out");
    std::vector<std::string> relative;
    for (const FoundSource& found : all.found) relative.push_back(found.relative);
    EXPECT_EQ(std::set<std::string>(relative.begin(), relative.end()), documents);
    EXPECT_EQ(relative.size(), documents.size()) << "a document was found twice";
    EXPECT_TRUE(std::is_sorted(relative.begin(), relative.end()));
    for (std::uint64_t count = 1; count <= 7; ++count) {
        std::multiset<std::string> taken;
        for (std::uint64_t index = 0; index < count; ++index) {
            std::set<std::string> shard;
            for (const FoundSource& found : TakeShard(all.found, {index, count}))
                shard.insert(found.relative);
            EXPECT_EQ(shard.count("a/pair.doc"), shard.count("a/PAIR.docx")) << index << "/" << count;
            taken.insert(shard.begin(), shard.end());
        }
        EXPECT_EQ(taken, std::multiset<std::string>(documents.begin(), documents.end()))
            << count << " shards";
    }
}

class TreeRun : public CommandLineConversion {
protected:
    TreeRun() {
        // One NUL-ended entry per conversion: a name may hold a line end.
        test::WriteStandIn(work.path() / "app", "printf '%s\\0' \"$2\" >> '" + log.string() +
                                                    "'\n"
                                                    "{ echo converted; cat \"$2\"; } > \"$3\"");
    }
    // How many files the converter has converted so far.
    std::size_t Converted() const {
        const std::string logged = ReadText(log);
        return static_cast<std::size_t>(std::count(logged.begin(), logged.end(), '\0'));
    }
    // What jq makes of the report: every line must be JSON, or this fails.
    std::string Query(const std::string& filter) const {
        const test::Finished run = test::Run({"jq", "-r", "-c", filter, report.string()});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.out;
    }
    fs::path log = work.path() / "converted.log";
    fs::path report = work.path() / "run.jsonl";
};

// Run, change a source, run again with --update: only the changed one is converted again, the report says
// so, and with --keep-times a source that merely got older is caught too.
TEST_F(TreeRun, UpdateConvertsOnlyWhatIsMissingOrOlderAndTheReportSaysSo) {
    const std::set<std::string> documents = PlantTree(in);
    const std::vector<std::string> arguments = {"-r",        "-u",   "--report",  report.string(),
                                                in.string(), "docx", out.string()};
    ASSERT_EQ(Run(arguments), 0) << errors;
    EXPECT_EQ(Converted(), documents.size());
    for (const std::string& name : documents) {
        const fs::path target = (out / name).replace_extension(".docx");
        EXPECT_EQ(ReadText(target), "converted\n" + name) << name;
    }
    EXPECT_FALSE(fs::exists(out / ".hidden"));

    // A newer source is converted again; the rest are skipped.
    const fs::path changed = in / "a" / "b" / "sibling.doc";
    const auto later = fs::last_write_time(out / "a" / "b" / "sibling.docx") + std::chrono::seconds(10);
    fs::last_write_time(changed, later);
    ASSERT_EQ(Run(arguments), 0) << errors;
    EXPECT_EQ(Converted(), documents.size() + 1);
    EXPECT_EQ(Query("select(.type==\"totals\") | [.files, .converted, .skipped, .failed] | @csv"),
              "8,8,0,0\n8,1,7,0\n");
    EXPECT_EQ(
        Query("select(.type==\"file\" and .outcome==\"converted\" and (.source | endswith(\"sibling.doc\")))"
              " | .target"),
        (out / "a" / "b" / "sibling.docx").string() + "\n" + (out / "a" / "b" / "sibling.docx").string() +
            "\n");
    EXPECT_EQ(Query("select(.type==\"run\") | .arguments | length"), "7\n7\n");
    // The name that is not UTF-8 comes with its exact bytes beside it.
    EXPECT_EQ(
        Query(
            "select(.type==\"file\" and has(\"source_hex\")) | .source_hex | endswith(\"636166e92e646f63\")"),
        "true\ntrue\n");

    // Given their sources' times, the targets are up to date only with exactly those times.
    std::vector<std::string> keeping = arguments;
    keeping.insert(keeping.begin(), "--keep-times");
    ASSERT_EQ(Run(keeping), 0) << errors;
    EXPECT_EQ(Converted(), 2 * documents.size() + 1) << "each target's time differed from its source's";
    EXPECT_EQ(fs::last_write_time(out / "a" / "b" / "sibling.docx"), fs::last_write_time(changed));
    fs::last_write_time(changed, later - std::chrono::hours(1));
    ASSERT_EQ(Run(keeping), 0) << errors;
    EXPECT_EQ(Converted(), 2 * documents.size() + 2) << "only the source that changed, though it got older";
}

// A list of sources, NUL-separated, mirrored below a root: an entry elsewhere is refused, a missing one
// fails in its turn, and neither stops the others.
TEST_F(TreeRun, AListOfSourcesMirroredBelowItsRoot) {
    PlantTree(in);
    const fs::path list = work.path() / "list";
    const std::string entries[] = {(in / "a" / "b" / "sibling.doc").string(), (in / "line\nend.doc").string(),
                                   (work.path() / "elsewhere.doc").string(), (in / "gone.doc").string()};
    std::string bytes;
    for (const std::string& entry : entries) bytes += entry + '\0';
    test::WriteBytes(list, bytes);
    test::WriteBytes(work.path() / "elsewhere.doc", "elsewhere");

    EXPECT_EQ(Run({"--files-from", list.string(), "-0", "--relative-to", in.string(), "--report",
                   report.string(), "docx", out.string()}),
              1);
    EXPECT_EQ(ReadText(out / "a" / "b" / "sibling.docx"), "converted\na/b/sibling.doc");
    EXPECT_EQ(ReadText(out / "line\nend.docx"), "converted\nline\nend.doc");
    EXPECT_EQ(errors, entries[2] + ": not below " + in.string() + "\n" + entries[3] +
                          ": the file no longer exists\n");
    // Refused before the run; the others as each ends, in any order.
    EXPECT_EQ(Query("select(.type==\"file\") | .outcome").substr(0, 8), "refused\n");
    EXPECT_EQ(Query("select(.type==\"totals\") | [.files, .converted, .failed, .refused] | @csv"),
              "4,2,1,1\n");
}

}  // namespace
}  // namespace larkspan

namespace larkspan {
namespace {

struct CheckCase {
    const char* name;
    std::vector<std::string> options;
    int status;
    const char* said;     // on standard error, {} for the source
    const char* outcome;  // in the report
    const char* losses;   // the report's losses, as jq prints them
};

class Checked : public TreeRun, public ::testing::WithParamInterface<CheckCase> {};

// A conversion that lost something says so and counts as converted; with --strict it fails and leaves no
// target; --no-verify asks for no check at all.
TEST_P(Checked, LossesAreSaidOrFailTheFile) {
    test::WriteStandIn(work.path() / "app",
                       "case \"$2,$options\" in *lossy*strict*) echo '2 of 5 comments lost' >&2; exit 9;;\n"
                       "  *lossy*verify*) echo '2 of 5 comments lost' > \"$losses\";; esac\n"
                       "{ echo converted; cat \"$2\"; } > \"$3\"");
    const fs::path source = work.WriteFile("in/lossy.doc", "L");
    std::vector<std::string> arguments = GetParam().options;
    arguments.insert(arguments.end(), {"--report", report.string(), source.string(), "docx", out.string()});
    EXPECT_EQ(Run(arguments), GetParam().status);
    std::string said = GetParam().said;
    if (const std::size_t at = said.find("{}"); at != std::string::npos) said.replace(at, 2, source.string());
    EXPECT_EQ(errors, said);
    EXPECT_EQ(fs::exists(out / "lossy.docx"), std::string(GetParam().outcome) == "converted");
    EXPECT_EQ(Query("select(.type==\"file\") | [.outcome, (.losses | join(\"; \"))] | @tsv"),
              std::string(GetParam().outcome) + "\t" + GetParam().losses + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Verify, Checked,
    ::testing::Values(
        CheckCase{"ByDefault",
                  {},
                  0,
                  "larkspan: {}: converted, but 2 of 5 comments lost\n",
                  "converted",
                  "2 of 5 comments lost"},
        CheckCase{"Strict",
                  {"--strict"},
                  1,
                  "{}: content lost (2 of 5 comments lost)\n",
                  "failed",
                  "2 of 5 comments lost"},
        CheckCase{"NotAskedFor", {"--no-verify"}, 0, "", "converted", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace larkspan
