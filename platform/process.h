#pragma once
// Starting a program with an argument vector (no shell, no quoting), talking to it over its own pipes, and
// ending it: in its own process group, so that whatever it starts goes with it.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <system_error>
#include <vector>

namespace larkspan::process {

enum class WaitOutcome { Exited, TimedOut, Stopped };

struct WaitResult {
    WaitOutcome outcome = WaitOutcome::Exited;
    int exitCode = -1;        // when it exited normally
    int signal = 0;           // when a signal ended it
    std::string errorOutput;  // what it wrote on standard error (the first 64 KiB)
};

struct StartOptions {
    bool pipeInput = false;   // standard input from a pipe we write to; else /dev/null
    bool pipeOutput = false;  // standard output into a pipe we read; else /dev/null
};

class ChildProcess {
public:
    // Starts program with argv[0] = program and the given arguments; standard error is collected.
    [[nodiscard]] static std::optional<ChildProcess> Start(const std::string& program,
                                                           const std::vector<std::string>& arguments,
                                                           std::error_code& error,
                                                           const StartOptions& options = {});
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ~ChildProcess();  // a child still running is ended and reaped

    // Waits until the child ends, the bound passes or stop is requested; in the last two cases the child
    // is ended (as by End) before this returns.
    WaitResult Wait(std::chrono::milliseconds bound, std::stop_token stop = {});

    // Asks the child to end (SIGTERM to its group), kills the group when it has not ended within the
    // grace, and reaps it.
    WaitResult End(std::chrono::milliseconds grace = std::chrono::seconds(1));

    // True when the child has ended; it is then reaped and result tells how.
    bool HasEnded(WaitResult& result);

    // The pipes of StartOptions; -1 when not asked for or closed.
    int inputFd() const { return inputPipe_; }
    int outputFd() const { return outputPipe_; }
    int errorFd() const { return errorPipe_; }
    // Closing our end of its input tells the child that no more is coming.
    void CloseInput();
    // Takes what it wrote on standard error so far, without waiting.
    void CollectErrors(std::string& into);

    pid_t pid() const { return pid_; }

private:
    ChildProcess(pid_t pid, int input, int output, int errors)
        : pid_(pid), inputPipe_(input), outputPipe_(output), errorPipe_(errors) {}
    void Reap(WaitResult& result);
    pid_t pid_ = -1;
    int inputPipe_ = -1;
    int outputPipe_ = -1;
    int errorPipe_ = -1;
};

struct MemoryUse {
    std::uint64_t resident = 0;  // bytes now
    std::uint64_t peak = 0;      // the high-water mark
};

// A process's resident memory, from /proc; zero when it cannot be read.
MemoryUse MemoryOf(pid_t pid);

// False when no process has that id any more, or only a zombie that has stopped running.
bool IsRunning(pid_t pid);

}  // namespace larkspan::process
