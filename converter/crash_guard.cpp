#include "crash_guard.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>

#include "console.h"

namespace larkspan::zuv0::crash_guard {

namespace {

// Two buffers each, so a handler never reads one that is being rewritten: the writer fills the idle
// buffer, then publishes its index.
struct Text {
    char data[2][4096] = {};
    std::atomic<int> current{0};

    void Set(std::string_view text) {
        const int next = 1 - current.load();
        const std::size_t length = std::min(text.size(), sizeof data[next] - 1);
        std::copy_n(text.data(), length, data[next]);
        data[next][length] = '\0';
        current.store(next);
    }
    const char* Get() const { return data[current.load()]; }
};

Text temporary;
Text crashLine;
std::atomic<int> crashCode{static_cast<int>(ExitCode::Internal)};

void RemoveTemporary() {
    if (const char* path = temporary.Get(); *path) ::unlink(path);
}

void OnCrash(int) {
    RemoveTemporary();
    const char* line = crashLine.Get();
    std::size_t length = 0;
    while (line[length]) ++length;
    if (length > 0) {
        [[maybe_unused]] ssize_t ignored = ::write(console::OriginalStderr(), line, length);
        ignored = ::write(console::OriginalStderr(), "\n", 1);
    }
    ::_exit(crashCode.load());
}

void OnStop(int signal) {
    RemoveTemporary();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void Handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    ::sigaction(signal, &action, nullptr);
}

}  // namespace

void Install() {
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) Handle(signal, OnCrash);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) Handle(signal, OnStop);
}

void SetOutcomeOnCrash(const Outcome& outcome) {
    crashLine.Set(outcome.line);
    crashCode.store(static_cast<int>(outcome.code));
}

void SetTemporary(std::string_view path) {
    temporary.Set(path);
}

}  // namespace larkspan::zuv0::crash_guard
