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
std::atomic<int> frameFd{-1};
std::atomic<bool> jobInHand{true};

void RemoveTemporary() {
    if (const char* path = temporary.Get(); *path) ::unlink(path);
}

void WriteAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written <= 0) return;
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

std::size_t Length(const char* text) {
    std::size_t length = 0;
    while (text[length]) ++length;
    return length;
}

// "<code>\0<line>\0", built without anything that is unsafe in a signal handler.
void WriteFrame(int fd, int code, const char* line) {
    char digits[12];
    std::size_t count = 0;
    do {
        digits[sizeof digits - 1 - count++] = static_cast<char>('0' + code % 10);
        code /= 10;
    } while (code > 0 && count < sizeof digits - 1);
    WriteAll(fd, digits + sizeof digits - count, count);
    WriteAll(fd, "", 1);
    WriteAll(fd, line, Length(line));
    WriteAll(fd, "", 1);
}

void OnCrash(int) {
    RemoveTemporary();
    const int code = crashCode.load();
    const char* line = crashLine.Get();
    if (const int fd = frameFd.load(); fd >= 0) {
        if (jobInHand.load()) {
            WriteFrame(fd, code, line);
        } else {
            constexpr std::string_view kIdle = "Zuv0: internal error (LibreOffice crashed between jobs)\n";
            WriteAll(console::OriginalStderr(), kIdle.data(), kIdle.size());
        }
        // The engine is gone whatever the job came to: the parent must start another.
        ::_exit(jobInHand.load() && code != 0 ? code : static_cast<int>(ExitCode::Internal));
    }
    if (const std::size_t length = Length(line); length > 0) {
        WriteAll(console::OriginalStderr(), line, length);
        WriteAll(console::OriginalStderr(), "\n", 1);
    }
    ::_exit(code);
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
    jobInHand.store(true);
}

void AnswerCrashesOn(int fd) {
    frameFd.store(fd);
}

void SetNoJobOnCrash() {
    jobInHand.store(false);
}

void SetTemporary(std::string_view path) {
    temporary.Set(path);
}

}  // namespace larkspan::zuv0::crash_guard
