#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/process.h"

extern char** environ;

namespace larkspan::process {
namespace {

constexpr std::size_t kMaxErrorOutput = 64 * 1024;
constexpr int kTerminateGraceMs = 1000;

// Reads what is available without blocking; false once the pipe is closed.
bool DrainPipe(int fd, std::string& into) {
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            std::size_t room = kMaxErrorOutput - std::min(kMaxErrorOutput, into.size());
            into.append(buffer, std::min(room, static_cast<std::size_t>(n)));
            continue;
        }
        if (n == 0) return false;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

void FillResult(int status, WaitResult& result) {
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
}

}  // namespace

std::optional<ChildProcess> ChildProcess::Start(const std::string& program,
                                                const std::vector<std::string>& arguments,
                                                std::error_code& error) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = {errno, std::generic_category()};
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);

    // Its own process group, so that a kill reaches whatever the converter started itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        error = {rc, std::generic_category()};
        return std::nullopt;
    }
    ::fcntl(pipeFds[0], F_SETFL, ::fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK);
    error.clear();
    return ChildProcess(pid, pipeFds[0]);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : pid_(other.pid_), errorPipe_(other.errorPipe_) {
    other.pid_ = -1;
    other.errorPipe_ = -1;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) KillAndReap();
    if (errorPipe_ >= 0) ::close(errorPipe_);
}

void ChildProcess::KillAndReap() {
    // A polite request first: the converter then removes its half-written temporary file. Whatever does not
    // end within the grace is killed.
    ::kill(-pid_, SIGTERM);
    int status = 0;
    for (int waited = 0; waited < kTerminateGraceMs; waited += 10) {
        pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_ || (done < 0 && errno != EINTR)) {
            ::kill(-pid_, SIGKILL);  // anything it started goes with it
            pid_ = -1;
            return;
        }
        ::usleep(10 * 1000);
    }
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

WaitResult ChildProcess::Wait(std::chrono::milliseconds bound, std::stop_token stop) {
    using Clock = std::chrono::steady_clock;
    WaitResult result;
    const Clock::time_point deadline = Clock::now() + bound;
    bool pipeOpen = errorPipe_ >= 0;
    for (;;) {
        int status = 0;
        pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            if (pipeOpen) DrainPipe(errorPipe_, result.errorOutput);
            FillResult(status, result);
            pid_ = -1;
            result.outcome = WaitOutcome::Exited;
            return result;
        }
        if (stop.stop_requested()) {
            KillAndReap();
            result.outcome = WaitOutcome::Stopped;
            return result;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            KillAndReap();
            if (pipeOpen) DrainPipe(errorPipe_, result.errorOutput);
            result.outcome = WaitOutcome::TimedOut;
            return result;
        }
        // Short slices: the end of a quick conversion is seen at once and Stop is answered promptly.
        int slice = static_cast<int>(std::min<long long>(left.count(), 5));
        if (pipeOpen) {
            pollfd fd{errorPipe_, POLLIN, 0};
            if (::poll(&fd, 1, slice) > 0) pipeOpen = DrainPipe(errorPipe_, result.errorOutput);
        } else {
            ::usleep(static_cast<useconds_t>(slice) * 1000);
        }
    }
}

}  // namespace larkspan::process
