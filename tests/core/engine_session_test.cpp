// One engine for a batch: jobs over the serving stand-in, the watchdog's bound, crashes, answers out of
// turn, failed restarts, recycling, Stop.

#include "engine/engine_session.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "engine/convert_file.h"
#include "tests/support/files.h"
#include "tests/support/stand_in_converter.h"

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
    "  *refuse*) echo 'random bytes' >&2; exit 4;;\n"
    "  *silent*) exit 0;;\n"
    "  *stale*) printf '%s\\0' $((job - 1)) 0 '' '' '' >&9; cp \"$2\" \"$3\";;\n"
    "esac\n"
    "cp \"$2\" \"$3\"";

class EngineSessionTest : public ::testing::Test {
protected:
    EngineSessionTest() {
        test::WriteStandIn(work.path() / "app", kTroubleMaker);
        fs::create_directories(out);
    }
    ConversionResult Convert(EngineSession& session, const std::string& name,
                             std::chrono::milliseconds bound = 60s, std::stop_token stop = {}) {
        const fs::path source = work.WriteFile("in/" + name, "content of " + name);
        return session.Convert(source.string(), (out / (name + ".out")).string(), bound, stop);
    }

    test::TempFolder work;
    std::string program = (work.path() / "app" / kExternalConverterName).string();
    fs::path out = work.path() / "out";
};

TEST_F(EngineSessionTest, ManyFilesThroughOneEngineWhateverTheirNames) {
    EngineSession session({program, {}});
    for (const std::string name : {"a.docx", "with\nnewline.docx", "quote \" and ' and \\.docx",
                                   "ünïcödé.docx", " leading space.docx", "per%cent %s.docx"}) {
        ConversionResult result = Convert(session, name);
        EXPECT_TRUE(result.produced) << name << ": " << result.reason;
        EXPECT_EQ(ReadText(out / (name + ".out")), "content of " + name);
    }
    EXPECT_EQ(session.EnginesStarted(), 1);
}

struct TroubleCase {
    const char* name;
    const char* source;
    std::chrono::milliseconds bound;
    const char* reason;
    int enginesAfterTheNextFile;
};

class Trouble : public EngineSessionTest, public ::testing::WithParamInterface<TroubleCase> {};

TEST_P(Trouble, FailsTheFileAndTheNextOneConverts) {
    EngineSession session({program, {}});
    ConversionResult failed = Convert(session, GetParam().source, GetParam().bound);
    EXPECT_FALSE(failed.produced);
    EXPECT_FALSE(failed.engineMissing);
    EXPECT_NE(failed.reason.find(GetParam().reason), std::string::npos) << failed.reason;
    EXPECT_FALSE(test::HoldsTemporary(out)) << "a temporary was left behind";

    ConversionResult next = Convert(session, "next.docx");
    EXPECT_TRUE(next.produced) << next.reason;
    EXPECT_EQ(session.EnginesStarted(), GetParam().enginesAfterTheNextFile);
}

INSTANTIATE_TEST_SUITE_P(
    Watchdog, Trouble,
    ::testing::Values(
        TroubleCase{"HangsPastTheBound", "hang.docx", 700ms, "conversion took longer than 0.7 s", 2},
        TroubleCase{"Crashes", "crash.docx", 60s, "the conversion engine ended while converting (signal 9)",
                    2},
        TroubleCase{"RefusesTheFile", "refuse.docx", 60s, "not a document (random bytes)", 1},
        TroubleCase{"SaysConvertedButWritesNothing", "silent.docx", 60s, "the converter wrote no target", 1},
        // A second answer to an earlier job must not pass for this one's, however late it comes.
        TroubleCase{"AnswersAnEarlierJobAgain", "stale.docx", 60s,
                    "the conversion engine answered out of turn", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineSessionTest, AnEngineIsRecycledAfterItsJobs) {
    EngineSession session({program, {}}, EngineLimits{.jobsPerEngine = 2});
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(Convert(session, "f" + std::to_string(i) + ".docx").produced);
    EXPECT_EQ(session.EnginesStarted(), 3);
    EXPECT_GT(session.PeakMemory(), 0u);
}

// Starts an engine as the stand-in does, except for the starts whose numbers are listed, which end at once.
std::string FlakyStarts(const fs::path& real, const fs::path& counter, const std::string& failing) {
    return "#!/bin/bash\n"
           "n=$(( $(cat '" +
           counter.string() + "' 2>/dev/null || echo 0) + 1 )); echo $n > '" + counter.string() +
           "'\n"
           "case ' " +
           failing +
           " ' in *\" $n \"*) echo 'Zuv0: internal error (crashed while starting)' >&2; "
           "exit 1;; esac\n"
           "exec '" +
           real.string() + "' \"$@\"\n";
}

struct StartCase {
    const char* name;
    const char* failingStarts;  // the starts that fail, counted from 1; one start per file
    const char* outcomes;       // per file: c converted, f failed, m the run ends (no engine)
    const char* lastReason;
};

class FailedStarts : public EngineSessionTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(FailedStarts, FailOneFileUntilSeveralInARow) {
    const fs::path real = work.path() / "real";
    test::WriteStandIn(real, "cp \"$2\" \"$3\"");
    std::ofstream(program) << FlakyStarts(real / kExternalConverterName, work.path() / "starts",
                                          GetParam().failingStarts);
    const auto starts = std::make_shared<EngineStarts>();
    // Two sessions of one run, as the command line's engines are: what one learned holds for the other.
    EngineSession first({program, {}}, EngineLimits{.jobsPerEngine = 1}, starts);
    EngineSession second({program, {}}, EngineLimits{.jobsPerEngine = 1}, starts);
    std::string outcomes, reason;
    for (int i = 0; i < static_cast<int>(std::string_view(GetParam().outcomes).size()); ++i) {
        ConversionResult result = Convert(i % 2 ? second : first, "f" + std::to_string(i) + ".docx");
        outcomes += result.produced ? 'c' : result.engineMissing ? 'm' : 'f';
        if (!result.produced) reason = result.reason;
    }
    EXPECT_EQ(outcomes, GetParam().outcomes);
    EXPECT_NE(reason.find(GetParam().lastReason), std::string::npos) << reason;
}

INSTANTIATE_TEST_SUITE_P(
    Restarts, FailedStarts,
    ::testing::Values(StartCase{"OneFailedRestart", "2", "cfcc", "internal error (crashed while starting)"},
                      StartCase{"TwoInARow", "2 3", "cffc", "internal error (crashed while starting)"},
                      StartCase{"ThreeInARow", "2 3 4", "cffm",
                                "failed to start 3 times in a row; the last time: internal"},
                      StartCase{"TheFirstStart", "1", "m", "internal error (crashed while starting)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineSessionTest, StopEndsTheEngineAtOnce) {
    EngineSession session({program, {}});
    std::stop_source stop;
    std::jthread stopper([&] {
        for (int i = 0; i < 3000 && !test::HoldsTemporary(out); ++i) std::this_thread::sleep_for(20ms);
        stop.request_stop();
    });
    ASSERT_TRUE(Convert(session, "first.docx").produced);
    const pid_t engine = session.EnginePid();
    ConversionResult stopped = Convert(session, "hang.docx", 300s, stop.get_token());
    EXPECT_EQ(stopped.reason, "stopped");
    EXPECT_EQ(session.EnginePid(), 0);
    EXPECT_TRUE(::kill(engine, 0) != 0 && errno == ESRCH) << "the engine is still there";
    EXPECT_FALSE(test::HoldsTemporary(out));
}

// An engine that answers one job and then neither reads nor ends.
constexpr const char* kDeafEngine =
    "#!/bin/bash\n"
    "printf '%s\\0' 0 0 '' '' ''\n"
    "IFS= read -r -d '' job; IFS= read -r -d '' source; IFS= read -r -d '' target; IFS= read -r -d '' "
    "options\n"
    "cp \"$source\" \"$target\"; printf '%s\\0' \"$job\" 0 '' '' ''\n"
    "exec sleep 300\n";

TEST_F(EngineSessionTest, RetiringAnEngineThatDoesNotEndHonoursStop) {
    std::ofstream(program) << kDeafEngine;
    std::stop_source stop;
    const auto started = std::chrono::steady_clock::now();
    {
        EngineSession session({program, {}});
        ASSERT_TRUE(Convert(session, "only.docx", 60s, stop.get_token()).produced);
        stop.request_stop();
    }  // retired here, with the run stopped
    EXPECT_LT(std::chrono::steady_clock::now() - started, 9s) << "retiring waited out its grace";
}

// An engine that takes 256 MiB for every job, and keeps them.
constexpr const char* kMemoryHungryEngine = R"(#!/usr/bin/env python3
import sys, time
out = sys.stdout.buffer
out.write(b"0\0" b"0\0\0\0\0"); out.flush()
kept = []
while sys.stdin.buffer.read(1):
    kept.append(bytearray(256 << 20))
    time.sleep(60)
)";

TEST_F(EngineSessionTest, AJobPastTheMemoryCapIsTooLargeToConvert) {
    std::ofstream(program) << kMemoryHungryEngine;
    EngineSession session({program, {}}, EngineLimits{.memoryCap = 64u << 20});
    ConversionResult result = Convert(session, "big.docx", 300s);
    EXPECT_FALSE(result.produced);
    EXPECT_EQ(result.reason, "too large to convert: it needs more than 64 MiB of memory");
    EXPECT_EQ(session.EnginePid(), 0);
}

struct MissingCase {
    const char* name;
    const char* script;   // empty: no converter at all
    const char* problem;  // the converter could not be put in place
    const char* reason;
};

class MissingEngine : public EngineSessionTest, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingEngine, IsSaidOnceForTheWholeBatch) {
    if (*GetParam().script) {
        std::ofstream(program) << GetParam().script;
    } else {
        fs::remove(program);
    }
    EngineSession session({program, GetParam().problem});
    ConversionResult result = Convert(session, "a.docx");
    EXPECT_FALSE(result.produced);
    EXPECT_TRUE(result.engineMissing);
    EXPECT_NE(result.reason.find(GetParam().reason), std::string::npos) << result.reason;
}

INSTANTIATE_TEST_SUITE_P(
    Start, MissingEngine,
    ::testing::Values(
        MissingCase{"NoConverter", "", "", "cannot start the converter"},
        MissingCase{"NotPutInPlace", "", "cannot put the converter into /opt/word: read-only", "read-only"},
        MissingCase{"NoLibreOffice",
                    "#!/bin/bash\nprintf '%s\\0' 0 7 /opt/lo 'no LibreOffice there' ''; exit 7", "",
                    "engine missing: /opt/lo (no LibreOffice there)"},
        MissingCase{"EndsAtOnce", "#!/bin/bash\necho 'Zuv0: internal error: out of luck' >&2; exit 1", "",
                    "internal error: out of luck"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace larkspan
