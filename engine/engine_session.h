#pragma once
// One conversion engine kept for a whole batch: the converter started once in its serving mode, fed one
// job after another over its own pipes (platform/engine_protocol.h). A watchdog holds every job to the time
// bound (past it the engine is killed and the file fails), replaces an engine that ended or misbehaved, and
// recycles one after a number of jobs or when its memory grows past a limit. Whichever way an engine ends,
// nothing it was writing is left behind.

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>

namespace larkspan {

// What a failure says about running again.
enum class FailureKind {
    None,
    Refused,   // the document itself is refused: not a document, or password protected
    Document,  // it failed on its own content (damaged, too large, it crashed the engine): again, it fails
               // again
    Outside,   // the machine, not the document (no engine, disk full, a folder gone, a time-out): running
              // again may cure it
};

struct ConversionResult {
    bool produced = false;
    std::string reason{};  // why not, for the user; empty on success
    // No file can be converted: the engine is missing or does not start. The batch ends with one line.
    bool engineMissing = false;
    FailureKind kind = FailureKind::None;
    bool stopped = false;  // cut short by Stop: not done, rather than failed
    std::string losses{};  // converted, but the check found these missing ("2 of 5 comments lost; ...")
    std::string check{};   // what the check found, as JSON (platform/engine_protocol.h); empty: not checked
};

struct EngineLimits {
    // LibreOffice starts in well under a second; a slow disk or a first profile may take some seconds.
    std::chrono::milliseconds startBound = std::chrono::seconds(60);
    // An engine is replaced after this many jobs, so that what LibreOffice keeps between documents stays
    // bounded over any number of files.
    int jobsPerEngine = 200;
    // ... or when its resident memory has grown past this.
    std::uint64_t memoryLimit = std::uint64_t(1) << 30;
    // A job that takes the engine's resident memory past this is stopped: the document is too large to
    // convert on this machine, and the rest of the machine must not pay for it.
    std::uint64_t memoryCap = std::uint64_t(2) << 30;

    // The defaults, with the cap from LARKSPAN_ENGINE_MEMORY (in MiB) when that is a positive number; a
    // value that is not is named in warning.
    static EngineLimits FromEnvironment(std::string& warning);
};

// The converter program a batch runs, or why it cannot run.
struct ConverterProgram {
    std::string path;
    std::string problem;  // empty when the program is in place
};

// How the engines of one run have been starting, shared by all of the run's sessions. A run none of whose
// engines ever started has nothing to convert with; once one has, a failed start (a slow machine, a crash
// while starting) fails only the file in hand, until several starts in a row fail.
class EngineStarts {
public:
    static constexpr int kFailuresToGiveUp = 3;
    enum class Verdict {
        FileFails,     // the file in hand fails; the next one gets a fresh engine
        NeverStarted,  // no engine of this run ever started: nothing can be converted
        GaveUp,        // engines started before, but the last starts all failed
    };
    void Started();
    // Records a failed start.
    Verdict Failed();

private:
    std::atomic<bool> anyStarted_{false};
    std::atomic<int> failedInARow_{0};
};

class EngineSession {
public:
    explicit EngineSession(ConverterProgram program, EngineLimits limits = {},
                           std::shared_ptr<EngineStarts> starts = std::make_shared<EngineStarts>());
    // Lets the engine shut down cleanly (its profile stays usable), or ends it at once when the run was
    // stopped.
    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    // Converts source into target, starting an engine when none runs. The job is held to bound; stop ends
    // the engine at once. options go to the engine with the job ("verify", "strict").
    ConversionResult Convert(std::string_view source, std::string_view target,
                             std::chrono::milliseconds bound, std::stop_token stop,
                             std::string_view options = {});

    // The engine now running (0 when none), and how many have been started: for tests and benchmarks.
    pid_t EnginePid() const;
    int EnginesStarted() const { return enginesStarted_; }
    // The largest resident memory seen of any of this session's engines, in bytes.
    std::uint64_t PeakMemory() const { return peakMemory_; }

private:
    struct Engine;
    // Starts an engine; why not, or empty when it is up.
    [[nodiscard]] std::string Launch(std::stop_token stop);
    // Starts an engine, and says whether the run can go on without one.
    [[nodiscard]] bool Start(std::stop_token stop, ConversionResult& failure);
    // Closes the engine's input and gives it a moment to shut down; ends it at once on stop.
    void Retire(std::stop_token stop);
    // Ends the engine now and removes what it was writing beside target.
    void Kill(std::string_view target, int* signal = nullptr);
    // Replaces an engine that ended, or that said something nobody asked for, before a job goes to it.
    void DropIfUnfit(std::string_view target);

    ConverterProgram program_;
    EngineLimits limits_;
    std::shared_ptr<EngineStarts> starts_;
    std::unique_ptr<Engine> engine_;
    std::stop_token lastStop_;
    int enginesStarted_ = 0;
    std::uint64_t peakMemory_ = 0;
};

}  // namespace larkspan
