// Zuv0 -f SOURCE TARGET: converts one word-processing document through LibreOffice. Zuv0 --serve: converts
// many, one after another, on one engine. See README.md for the exit statuses and the protocol.

#include <unistd.h>

#include <csignal>
#include <exception>
#include <memory>
#include <string_view>

#include "allocator_tuning.h"
#include "console.h"
#include "engine.h"
#include "job.h"
#include "network_cutoff.h"
#include "outcome.h"
#include "serve.h"

namespace {

using namespace larkspan::zuv0;

int Finish(const Outcome& outcome) {
    if (!outcome.ok()) console::WriteErrorLine(outcome.Line());
    return static_cast<int>(outcome.code);
}

int Run(int argc, char** argv, pid_t parent) {
    if (argc == 2 && std::string_view(argv[1]) == "--serve") return Serve(parent);
    if (argc != 4 || std::string_view(argv[1]) != "-f") return Finish(Failure(ExitCode::Usage, {}));

    Job job;
    if (Outcome prepared = PrepareJob(argv[2], argv[3], job); !prepared.ok()) return Finish(prepared);
    job.verify = true;

    Outcome outcome;
    std::unique_ptr<Engine> engine = Engine::Start(EngineSettings::FromEnvironment(), outcome);
    if (engine) outcome = engine->Convert(job);
    engine.reset();
    // Converted, but not whole: said, and still a success.
    if (outcome.ok() && !outcome.detail.empty())
        console::WriteErrorLine("Zuv0: converted, but " + outcome.detail + ": " + job.target.native());
    return Finish(outcome);
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything else: what ran until here runs once more.
    StartWithTunedAllocator(argv);
    // Taken first, so that serve mode can tell whether the parent died before it asked to die with it.
    const pid_t parent = ::getppid();
    // A caller that closed its end of our standard error must not kill us before the temporary is gone.
    std::signal(SIGPIPE, SIG_IGN);
    // While there is one thread. Where the machine forbids it, the profile's settings still hold.
    [[maybe_unused]] const bool cutOff = CutOffNetwork();
    try {
        return Run(argc, argv, parent);
    } catch (const std::exception& error) {
        return Finish(Failure(ExitCode::Internal, error.what()));
    }
}
