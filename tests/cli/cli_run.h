#pragma once
// Running the larkspan program on the command line in a test, with a fresh registry and input and output
// folders, and reading what it wrote back with independent readers.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../core/temp_folder.h"
#include "platform/process.h"

namespace larkspan::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline const fs::path kSamples = LARKSPAN_SAMPLES;

struct RunResult {
    int status = -1;
    std::string errors;
};

inline RunResult RunLarkspan(const std::vector<std::string>& arguments) {
    std::error_code error;
    auto child = process::ChildProcess::Start(LARKSPAN_PROGRAM, arguments, error);
    EXPECT_TRUE(child) << error.message();
    if (!child) return {};
    process::WaitResult waited = child->Wait(300s);
    EXPECT_EQ(waited.outcome, process::WaitOutcome::Exited);
    return {waited.exitCode, waited.errorOutput};
}

// What an independent reader makes of a converted document.
inline std::string ReadBack(const fs::path& document) {
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

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
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
    TempFolder registry;
    TempFolder work;
    fs::path in = work.path() / "in";
    fs::path out = work.path() / "out";
};

}  // namespace larkspan::test
