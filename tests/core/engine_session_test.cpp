// One engine for a batch: jobs over the serving stand-in, the watchdog's bound, crashes, recycling, Stop.

#include "engine/engine_session.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "engine/convert_file.h"
#include "stand_in_converter.h"
#include "temp_folder.h"

namespace larkspan {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::ReadText;

// Copies, except for sources whose names ask for trouble.
constexpr const char* kTroubleMaker =
    "case \"$2\" in\n"
    "  *hang*) echo x > \"$(dirname \"$3\")/.$(basename \"$3\").zuv0-$$-Ab12Cd.doc\"; exec sleep 60;;\n"
    "  *crash*) kill -9 $$;;\n"
    "  *refuse*) echo \"Zuv0: not a document: $2 (random bytes)\" >&2; exit 4;;\n"
    "esac\n"
    "cp \"$2\" \"$3\"";

class EngineSessionTest : public ::testing::Test {
protected:
    EngineSessionTest() {
        test::WriteStandIn(work.path() / "app", kTroubleMaker);
        fs::create_directories(out);
    }
    ConversionResult Convert(EngineSession& session, const std::string& name,
                             std::chrono::milliseconds bound = 10s, std::stop_token stop = {}) {
        const fs::path source = work.WriteFile("in/" + name, "content of " + name);
        return session.Convert(program, source.string(), (out / (name + ".out")).string(), bound, stop);
    }

    test::TempFolder work;
    std::string program = (work.path() / "app" / kExternalConverterName).string();
    fs::path out = work.path() / "out";
};

TEST_F(EngineSessionTest, ManyFilesThroughOneEngineWhateverTheirNames) {
    EngineSession session;
    for (const std::string name : {"a.docx", "with\nnewline.docx", "quote \" and ' and \\.docx",
                                   "ünïcödé.docx", " leading space.docx"}) {
        ConversionResult result = Convert(session, name);
        EXPECT_TRUE(result.produced) << name << ": " << result.reason;
        EXPECT_EQ(ReadText(out / (name + ".out")), "content of " + name);
    }
    EXPECT_EQ(session.EnginesStarted(), 1);
}

struct TroubleCase {
    const char* name;
    const char* source;
    const char* reason;
    int enginesAfterTheNextFile;
};

class Trouble : public EngineSessionTest, public ::testing::WithParamInterface<TroubleCase> {};

TEST_P(Trouble, FailsTheFileAndTheNextOneConverts) {
    EngineSession session;
    const auto started = std::chrono::steady_clock::now();
    ConversionResult failed = Convert(session, GetParam().source, 700ms);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_FALSE(failed.produced);
    EXPECT_FALSE(failed.engineMissing);
    EXPECT_NE(failed.reason.find(GetParam().reason), std::string::npos) << failed.reason;
    EXPECT_FALSE(test::HoldsTemporary(out)) << "a temporary was left behind";

    ConversionResult next = Convert(session, "next.docx", 700ms);
    EXPECT_TRUE(next.produced) << next.reason;
    EXPECT_EQ(session.EnginesStarted(), GetParam().enginesAfterTheNextFile);
}

INSTANTIATE_TEST_SUITE_P(
    Watchdog, Trouble,
    ::testing::Values(TroubleCase{"HangsPastTheBound", "hang.docx", "conversion took longer than 0.7 s", 2},
                      TroubleCase{"Crashes", "crash.docx",
                                  "the conversion engine ended while converting (signal 9)", 2},
                      TroubleCase{"RefusesTheFile", "refuse.docx", "not a document (random bytes)", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineSessionTest, AnEngineIsRecycledAfterItsJobs) {
    EngineSession session(EngineLimits{.jobsPerEngine = 2});
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(Convert(session, "f" + std::to_string(i) + ".docx").produced);
    EXPECT_EQ(session.EnginesStarted(), 3);
    EXPECT_GT(session.PeakMemory(), 0u);
}

TEST_F(EngineSessionTest, StopEndsTheEngineAtOnce) {
    EngineSession session;
    std::stop_source stop;
    std::jthread stopper([&] {
        for (int i = 0; i < 250 && !test::HoldsTemporary(out); ++i) std::this_thread::sleep_for(20ms);
        stop.request_stop();
    });
    ASSERT_TRUE(Convert(session, "first.docx").produced);
    const pid_t engine = session.EnginePid();
    ConversionResult stopped = Convert(session, "hang.docx", 30s, stop.get_token());
    EXPECT_EQ(stopped.reason, "stopped");
    EXPECT_EQ(session.EnginePid(), 0);
    EXPECT_TRUE(::kill(engine, 0) != 0 && errno == ESRCH) << "the engine is still there";
    EXPECT_FALSE(test::HoldsTemporary(out));
}

// An engine that takes 256 MiB for every job, and keeps them.
constexpr const char* kMemoryHungryEngine = R"(#!/usr/bin/env python3
import sys, time
out = sys.stdout.buffer
out.write(b"0\0\0"); out.flush()
kept = []
while sys.stdin.buffer.read(1):
    kept.append(bytearray(256 << 20))
    time.sleep(60)
)";

TEST_F(EngineSessionTest, AJobPastTheMemoryCapIsTooLargeToConvert) {
    std::ofstream(program) << kMemoryHungryEngine;
    EngineSession session(EngineLimits{.memoryCap = 64u << 20});
    const auto started = std::chrono::steady_clock::now();
    ConversionResult result = Convert(session, "big.docx", 30s);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_FALSE(result.produced);
    EXPECT_EQ(result.reason, "too large to convert: it needs more than 64 MiB of memory");
    EXPECT_EQ(session.EnginePid(), 0);
}

struct MissingCase {
    const char* name;
    const char* script;  // empty: no converter at all
    const char* reason;
};

class MissingEngine : public EngineSessionTest, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingEngine, IsSaidOnceForTheWholeBatch) {
    if (*GetParam().script) {
        std::ofstream(program) << GetParam().script;
    } else {
        fs::remove(program);
    }
    EngineSession session;
    ConversionResult result = Convert(session, "a.docx");
    EXPECT_FALSE(result.produced);
    EXPECT_TRUE(result.engineMissing);
    EXPECT_NE(result.reason.find(GetParam().reason), std::string::npos) << result.reason;
}

INSTANTIATE_TEST_SUITE_P(
    Start, MissingEngine,
    ::testing::Values(
        MissingCase{"NoConverter", "", "cannot start the converter"},
        MissingCase{
            "NoLibreOffice",
            "#!/bin/bash\nprintf '7\\0Zuv0: engine missing: /opt/lo (no LibreOffice there)\\0'; exit 7",
            "engine missing: /opt/lo (no LibreOffice there)"},
        MissingCase{"EndsAtOnce", "#!/bin/bash\necho 'Zuv0: internal error: out of luck' >&2; exit 1",
                    "internal error: out of luck"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace larkspan
