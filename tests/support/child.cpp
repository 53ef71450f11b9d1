#include "tests/support/child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace larkspan::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string_view NameOf(std::string_view assignment) {
    return assignment.substr(0, assignment.find('='));
}

}  // namespace

Child::Child(const std::vector<std::string>& argv, const std::vector<std::string>& overrides, Input input) {
    int out[2];
    int err[2];
    int in[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    if (input == Input::Pipe) {
        if (::pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        // A child that has gone must fail our write, not end the test run.
        ::signal(SIGPIPE, SIG_IGN);
    }

    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const bool replaced = std::any_of(overrides.begin(), overrides.end(),
                                          [&](const std::string& o) { return NameOf(o) == NameOf(*entry); });
        if (!replaced) environment.emplace_back(*entry);
    }
    environment.insert(environment.end(), overrides.begin(), overrides.end());

    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env;
    for (std::string& entry : environment) env.push_back(entry.data());
    env.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input == Input::Pipe) {
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    started_ = Clock::now();
    const int spawned = ::posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (in[0] >= 0) ::close(in[0]);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
    if (spawned != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + argv[0]);
    }
}

Child::~Child() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    CloseInput();
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
}

void Child::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(in_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw std::runtime_error("the child's input is closed");
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void Child::CloseInput() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
}

std::optional<std::string> Child::ReadUntil(char delimiter, std::chrono::seconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        if (const std::size_t at = unread_.find(delimiter); at != std::string::npos) {
            std::string field = unread_.substr(0, at);
            unread_.erase(0, at + 1);
            return field;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (out_ < 0 || left <= 0) return std::nullopt;
        pollfd ready = {out_, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left)) <= 0) continue;
        char buffer[4096];
        const ssize_t got = ::read(out_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return std::nullopt;
        unread_.append(buffer, static_cast<std::size_t>(got));
    }
}

Finished Child::Wait(std::chrono::seconds limit) {
    CloseInput();
    Finished finished;
    finished.out = std::move(unread_);
    const Clock::time_point deadline = started_ + limit;
    std::string* sinks[2] = {&finished.out, &finished.err};
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            finished.timedOut = true;
            ::kill(pid_, SIGKILL);
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left)) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                fds[i].fd = -1;
            }
        }
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    finished.took = Clock::now() - started_;
    if (WIFEXITED(status)) finished.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) finished.signal = WTERMSIG(status);
    return finished;
}

Finished Run(const std::vector<std::string>& argv, const std::vector<std::string>& overrides) {
    Child child(argv, overrides);
    return child.Wait();
}

}  // namespace larkspan::test
