#pragma once
// One conversion engine kept for a whole batch: the converter started once in its serving mode, fed one
// job after another over its own pipes. A watchdog holds every job to the time bound (past it the engine
// is killed and the file fails), replaces an engine that ended, and recycles one after a number of jobs or
// when its memory grows past a limit. Whichever way an engine ends, nothing it was writing is left behind.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "platform/process.h"

namespace larkspan {

struct ConversionResult;

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

class EngineSession {
public:
    explicit EngineSession(EngineLimits limits = {});
    // Lets the engine shut down cleanly (its profile stays usable), or ends it.
    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    // Converts source into target with the converter program at `program`, started in its serving mode
    // when no engine runs yet. The job is held to bound; stop ends the engine at once.
    ConversionResult Convert(const std::string& program, std::string_view source, std::string_view target,
                             std::chrono::milliseconds bound, std::stop_token stop);

    // The engine now running (0 when none), and how many have been started: for tests and benchmarks.
    pid_t EnginePid() const;
    int EnginesStarted() const { return enginesStarted_; }
    // The largest resident memory seen of any of this session's engines, in bytes.
    std::uint64_t PeakMemory() const { return peakMemory_; }

private:
    struct Engine;
    bool Start(const std::string& program, std::stop_token stop, ConversionResult& failure);
    // Closes the engine's input and gives it a moment to shut down; ends it otherwise.
    void Retire();
    // Ends the engine now and removes what it was writing for target.
    process::WaitResult Kill(std::string_view target);

    EngineLimits limits_;
    std::unique_ptr<Engine> engine_;
    int enginesStarted_ = 0;
    std::uint64_t peakMemory_ = 0;
};

}  // namespace larkspan
