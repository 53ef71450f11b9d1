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

Outcome RunJob(Engine& engine, const std::string& source, const std::string& target) {
    if (source.empty() || target.empty()) return Failure(ExitCode::Usage, {});
    // LibreOffice's threads may crash at any moment; from here on that is this job's answer.
    crash_guard::SetOutcomeOnCrash(Failure(ExitCode::Internal, source, "LibreOffice crashed"));
    try {
        Job job;
        if (Outcome prepared = PrepareJob(source, target, job); !prepared.ok()) return prepared;
        return engine.Convert(job);
    } catch (const std::exception& error) {
        return Failure(ExitCode::Internal, source, error.what());
    }
}

}  // namespace

int Serve(pid_t parent) {
    // Ends with the parent: its death sends SIGTERM, which removes our temporary like any SIGTERM. A parent
    // that died before this line has left us adopted by another process already.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) return static_cast<int>(ExitCode::Internal);

    // LibreOffice writes to descriptors 1 and 2 from any thread: responses go to our own copy of 1.
    console::SilenceStandardStreams();
    const int in = console::TakeStandardInput();
    const int out = console::OriginalStdout();
    crash_guard::AnswerCrashesOn(out);

    Outcome failure;
    std::unique_ptr<Engine> engine = Engine::Start(EngineSettings::FromEnvironment(), failure);
    crash_guard::SetNoJobOnCrash();
    if (!engine) {
        WriteResponse(out, failure);
        return static_cast<int>(failure.code);
    }
    bool answered = WriteResponse(out, Success());

    FieldReader requests(in);
    for (std::string source, target; answered && requests.Next(source) && requests.Next(target);) {
        const Outcome outcome = RunJob(*engine, source, target);
        // Before the answer goes out, so that a crash cannot answer this job a second time.
        crash_guard::SetNoJobOnCrash();
        answered = WriteResponse(out, outcome);
    }
    // A clean shutdown: a profile that was never shut down costs a rebuild next time.
    engine.reset();
    return static_cast<int>(answered ? ExitCode::Ok : ExitCode::Internal);
}

}  // namespace larkspan::zuv0
