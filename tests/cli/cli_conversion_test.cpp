#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "../core/temp_folder.h"
#include "platform/process.h"

namespace larkspan {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kSamples = LARKSPAN_SAMPLES;

struct RunResult {
    int status = -1;
    std::string errors;
};

RunResult RunLarkspan(const std::vector<std::string>& arguments) {
    std::error_code error;
    auto child = process::ChildProcess::Start(LARKSPAN_PROGRAM, arguments, error);
    EXPECT_TRUE(child) << error.message();
    if (!child) return {};
    process::WaitResult waited = child->Wait(300s);
    EXPECT_EQ(waited.outcome, process::WaitOutcome::Exited);
    return {waited.exitCode, waited.errorOutput};
}

// What an independent reader makes of a converted document.
std::string ReadBack(const fs::path& document) {
    std::string command = document.extension() == ".docx"
                              ? "pandoc -t plain --wrap=none '" + document.string() + "' 2>&1"
                              : "catdoc -d utf-8 -w '" + document.string() + "' 2>&1";
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
        ::pclose(pipe);
    }
    return text;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class CliConversion : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // One engine profile for the whole suite: creating a fresh one costs seconds per run.
        ::setenv("XDG_CACHE_HOME", LARKSPAN_ENGINE_CACHE, 1);
    }
    CliConversion() {
        ::setenv("LARKSPAN_REGISTRY_DIR", registry.str().c_str(), 1);
        fs::create_directories(in);
        fs::create_directories(out);
    }
    test::TempFolder registry;
    test::TempFolder work;
    fs::path in = work.path() / "in";
    fs::path out = work.path() / "out";
};

TEST_F(CliConversion, DocToDocxKeepsTheText) {
    fs::copy_file(kSamples / "report.doc", in / "REPORT.DOC");
    RunResult run = RunLarkspan({(in / "*.doc").string(), "DOCX", out.string() + "/"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    const fs::path target = out / "REPORT.docx";
    ASSERT_TRUE(fs::exists(target));
    std::string text = ReadBack(target);
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
    std::string memo = ReadBack(out / "Memo.doc");
    for (const char* words : {"Memo", "to the point", "Zoë", "Kraków", "Århus", "μην ξεχάσετε"})
        EXPECT_NE(memo.find(words), std::string::npos) << words << "\n" << memo;
    std::string letter = ReadBack(out / "letter.doc");
    for (const char* words : {"Letter to the printers", "Привет, мир", "Crème brûlée", "Jörg Ødegård"})
        EXPECT_NE(letter.find(words), std::string::npos) << words << "\n" << letter;
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
    EXPECT_NE(ReadBack(out / "good.docx").find("Quarterly report"), std::string::npos);
}

}  // namespace
}  // namespace larkspan
