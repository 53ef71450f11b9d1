#pragma once
// Running the larkspan program on the command line in a test, with a fresh registry and input and output
// folders; what it wrote is read back by independent readers (tests/support/read_back.h).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/read_back.h"

namespace larkspan::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline const fs::path kSamples = LARKSPAN_SAMPLES;

struct RunResult {
    int status = -1;
    std::string errors;
};

inline RunResult RunLarkspan(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), LARKSPAN_PROGRAM);
    const Finished run = Run(arguments);
    EXPECT_FALSE(run.timedOut);
    return {run.exitCode, run.err};
}

// The words of a converted document, as an independent reader finds them.
inline std::string ReadWords(const fs::path& document) {
    return test::ReadBack(document, Reading::Plain);
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
