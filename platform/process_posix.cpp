#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/emergency_end.h"
#include "platform/process.h"

extern char** environ;

namespace larkspan::process {
namespace {

constexpr std::size_t kMaxErrorOutput = 64 * 1024;

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

// True when the child has ended, without reaping it: its process id, and with it the group id, stays
// ours until the reap, so a signal to the group can never reach a stranger that got the id again.
bool EndedUnreaped(pid_t pid) {
    siginfo_t info{};
    int rc;
    do {
        rc = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (rc < 0 && errno == EINTR);
    return rc == 0 ? info.si_pid == pid : errno == ECHILD;
}

void ClosePipe(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

struct Pipe {
    int read = -1, write = -1;
    bool Open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return false;
        read = fds[0];
        write = fds[1];
        return true;
    }
    void Close() {
        ClosePipe(read);
        ClosePipe(write);
    }
};

}  // namespace

std::optional<ChildProcess> ChildProcess::Start(const std::string& program,
                                                const std::vector<std::string>& arguments,
                                                std::error_code& error, const StartOptions& options) {
    Pipe input, output, errors;
    if ((options.pipeInput && !input.Open()) || (options.pipeOutput && !output.Open()) || !errors.Open()) {
        error = {errno, std::generic_category()};
        input.Close();
        output.Close();
        errors.Close();
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.pipeInput)
        posix_spawn_file_actions_adddup2(&actions, input.read, STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (options.pipeOutput)
        posix_spawn_file_actions_adddup2(&actions, output.write, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errors.write, STDERR_FILENO);

    // Nothing else of ours goes with it: a descriptor some library opened without close-on-exec would keep
    // a pipe or a file of ours open for as long as the child lives.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    // Its own process group, so that an end reaches whatever the child started itself. Signals we ignore
    // (a broken pipe, while we talk to it) are not ignored in the child, and the signals the calling
    // thread blocks (a broken pipe while it writes, the signals a watcher thread takes) are not blocked.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGHUP);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ClosePipe(input.read);
    ClosePipe(output.write);
    ClosePipe(errors.write);
    if (rc != 0) {
        input.Close();
        output.Close();
        errors.Close();
        error = {rc, std::generic_category()};
        return std::nullopt;
    }
    for (int fd : {output.read, errors.read})
        if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    emergency::AddGroup(pid);
    error.clear();
    return ChildProcess(pid, input.write, output.read, errors.read);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(other.pid_),
      inputPipe_(other.inputPipe_),
      outputPipe_(other.outputPipe_),
      errorPipe_(other.errorPipe_) {
    other.pid_ = -1;
    other.inputPipe_ = other.outputPipe_ = other.errorPipe_ = -1;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) End();
    ClosePipe(inputPipe_);
    ClosePipe(outputPipe_);
    ClosePipe(errorPipe_);
}

void ChildProcess::CloseInput() {
    ClosePipe(inputPipe_);
}

void ChildProcess::CollectErrors(std::string& into) {
    if (errorPipe_ >= 0 && !DrainPipe(errorPipe_, into)) ClosePipe(errorPipe_);
}

void ChildProcess::Reap(WaitResult& result) {
    // Whatever the child left running in its group goes before its ids are given back.
    ::kill(-pid_, SIGKILL);
    int status = 0;
    pid_t done;
    do {
        done = ::waitpid(pid_, &status, 0);
    } while (done < 0 && errno == EINTR);
    if (done == pid_) FillResult(status, result);
    emergency::RemoveGroup(pid_);
    pid_ = -1;
    CollectErrors(result.errorOutput);
}

bool ChildProcess::HasEnded(WaitResult& result) {
    if (pid_ <= 0) return true;
    if (!EndedUnreaped(pid_)) return false;
    Reap(result);
    return true;
}

WaitResult ChildProcess::End(std::chrono::milliseconds grace) {
    WaitResult result;
    if (pid_ <= 0) return result;
    // A polite request first: the converter then removes its half-written temporary file. Whatever does not
    // end within the grace is killed.
    if (!EndedUnreaped(pid_)) {
        ::kill(-pid_, SIGTERM);
        for (auto waited = std::chrono::milliseconds(0); waited < grace && !EndedUnreaped(pid_);
             waited += std::chrono::milliseconds(10)) {
            CollectErrors(result.errorOutput);
            ::usleep(10 * 1000);
        }
    }
    Reap(result);
    return result;
}

WaitResult ChildProcess::Wait(std::chrono::milliseconds bound, std::stop_token stop) {
    using Clock = std::chrono::steady_clock;
    WaitResult result;
    const Clock::time_point deadline = Clock::now() + bound;
    for (;;) {
        if (HasEnded(result)) {
            result.outcome = WaitOutcome::Exited;
            return result;
        }
        if (stop.stop_requested()) {
            WaitResult ended = End();
            ended.errorOutput = result.errorOutput + ended.errorOutput;
            ended.outcome = WaitOutcome::Stopped;
            return ended;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            WaitResult ended = End();
            ended.errorOutput = result.errorOutput + ended.errorOutput;
            ended.outcome = WaitOutcome::TimedOut;
            return ended;
        }
        // Short slices: the end of a quick conversion is seen at once and Stop is answered promptly.
        int slice = static_cast<int>(std::min<long long>(left.count(), 5));
        if (errorPipe_ >= 0) {
            pollfd fd{errorPipe_, POLLIN, 0};
            if (::poll(&fd, 1, slice) > 0) CollectErrors(result.errorOutput);
        } else {
            ::usleep(static_cast<useconds_t>(slice) * 1000);
        }
    }
}

namespace {

// A small file of /proc, read with a descriptor no child inherits; empty when it cannot be read.
std::string ReadProcFile(pid_t pid, const char* name) {
    const std::string path = "/proc/" + std::to_string(pid) + "/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || text.size() > 64 * 1024) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

// A "Name:   1234 kB" line of /proc/PID/status, in bytes.
std::uint64_t StatusBytes(const std::string& status, std::string_view name) {
    const std::size_t at = status.find("\n" + std::string(name) + ":");
    if (at == std::string::npos) return 0;
    return std::strtoull(status.c_str() + at + name.size() + 2, nullptr, 10) * 1024;
}

}  // namespace

MemoryUse MemoryOf(pid_t pid) {
    const std::string status = ReadProcFile(pid, "status");
    return {StatusBytes(status, "VmRSS"), StatusBytes(status, "VmHWM")};
}

bool IsRunning(pid_t pid) {
    if (::kill(pid, 0) != 0 && errno == ESRCH) return false;
    const std::string stat = ReadProcFile(pid, "stat");
    const std::size_t state = stat.rfind(") ");
    return state == std::string::npos || state + 2 >= stat.size() || stat[state + 2] != 'Z';
}

}  // namespace larkspan::process
