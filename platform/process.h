#pragma once
// Starting a program with an argument vector (no shell, no quoting) and waiting for it with a time bound.

#include <sys/types.h>

#include <chrono>
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

class ChildProcess {
public:
    // Starts program with argv[0] = program and the given arguments; standard output is discarded and
    // standard error is collected.
    static std::optional<ChildProcess> Start(const std::string& program,
                                             const std::vector<std::string>& arguments,
                                             std::error_code& error);
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ~ChildProcess();  // a child still running is killed and reaped

    // Waits until the child ends, the bound passes or stop is requested; in the last two cases the child
    // is killed and reaped before this returns.
    WaitResult Wait(std::chrono::milliseconds bound, std::stop_token stop = {});

    pid_t pid() const { return pid_; }

private:
    ChildProcess(pid_t pid, int errorPipe) : pid_(pid), errorPipe_(errorPipe) {}
    void KillAndReap();
    pid_t pid_ = -1;
    int errorPipe_ = -1;
};

}  // namespace larkspan::process
