#include "serve.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <exception>
#include <memory>
#include <string>

#include "console.h"
#include "crash_guard.h"
#include "engine.h"
#include "job.h"
#include "outcome.h"
#include "protocol.h"

namespace larkspan::zuv0 {

namespace {

Outcome RunJob(Engine& engine, const std::string& source, const std::string& target,
               const std::string& options) {
    if (source.empty() || target.empty()) return Failure(ExitCode::Usage, {});
    try {
        Job job;
        if (Outcome prepared = PrepareJob(source, target, job); !prepared.ok()) return prepared;
        job.verify = engine_protocol::HasOption(options, engine_protocol::kVerify);
        job.strict = engine_protocol::HasOption(options, engine_protocol::kStrict);
        return engine.Convert(job);
    } catch (const std::exception& error) {
        return Failure(ExitCode::Internal, source, error.what());
    }
}

// Writes the answer in hand, unless a crash has taken it: the crash handler then writes it and ends the
// process, and nothing more may go out.
bool Answer(int out, std::uint64_t job, const Outcome& outcome) {
    if (!crash_guard::ClaimAnswer())
        for (;;) ::pause();
    return WriteAnswer(out, job, outcome);
}

}  // namespace

int Serve(pid_t parent) {
    // Ends with the parent: its death sends SIGTERM, which removes our temporary like any SIGTERM. A parent
    // that died before this line has left us adopted by another process already.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) return static_cast<int>(ExitCode::Internal);

    // LibreOffice writes to descriptors 1 and 2 from any thread: answers go to our own copy of 1. Where they
    // cannot be kept apart, the answers would be mixed with its noise: better not to serve at all.
    if (!console::SilenceStandardStreams()) {
        console::WriteErrorLine(Failure(ExitCode::Internal, "/dev/null", "cannot open it").Line());
        return static_cast<int>(ExitCode::Internal);
    }
    const int in = console::TakeStandardInput();
    const int out = console::OriginalStdout();
    crash_guard::AnswerCrashesOn(out);

    Outcome failure;
    std::unique_ptr<Engine> engine = Engine::Start(EngineSettings::FromEnvironment(), failure);
    if (!engine) {
        Answer(out, 0, failure);
        return static_cast<int>(failure.code);
    }
    bool answered = Answer(out, 0, Success());

    FieldReader requests(in);
    static_assert(engine_protocol::kRequestFields == 4);
    for (std::string number, source, target, options; answered && requests.Next(number) &&
                                                      requests.Next(source) && requests.Next(target) &&
                                                      requests.Next(options);) {
        const std::int64_t job = engine_protocol::ParseNumber(number);
        if (job <= 0) {
            console::WriteErrorLine(
                Failure(ExitCode::Internal, {}, "a request without its job number").Line());
            answered = false;
            break;
        }
        // LibreOffice's threads may crash at any moment; from here on that is this job's answer.
        crash_guard::OpenAnswer(static_cast<std::uint64_t>(job),
                                Failure(ExitCode::Internal, source, "LibreOffice crashed"));
        answered = Answer(out, static_cast<std::uint64_t>(job), RunJob(*engine, source, target, options));
    }
    // A clean shutdown: a profile that was never shut down costs a rebuild next time.
    engine.reset();
    return static_cast<int>(answered ? ExitCode::Ok : ExitCode::Internal);
}

}  // namespace larkspan::zuv0
