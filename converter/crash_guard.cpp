#include "crash_guard.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <string>

#include "console.h"
#include "platform/file_writing.h"

namespace larkspan::zuv0::crash_guard {

namespace {

// Set by the first crash: from then on no setter touches the buffers the handler reads.
std::atomic<bool> crashing{false};

// Holds still for a handler that is reading: a crash ends the process in a moment anyway.
void WaitIfCrashing() {
    while (crashing.load()) ::pause();
}

// A value a signal handler can read while the serve loop sets the next one: two buffers, the writer fills
// the idle one and then publishes its index. A writer that began before a crash writes only the idle
// buffer; any later one waits (WaitIfCrashing), so the buffer the handler reads is never rewritten.
template <class T>
struct Published {
    T data[2] = {};
    std::atomic<int> current{0};

    template <class Fill>
    void Set(Fill fill) {
        WaitIfCrashing();
        const int next = 1 - current.load();
        fill(data[next]);
        current.store(next);
    }
    const T& Get() const { return data[current.load()]; }
};

void Copy(char* into, std::size_t room, std::string_view text) {
    const std::size_t length = std::min(text.size(), room - 1);
    std::copy_n(text.data(), length, into);
    into[length] = '\0';
}

struct Answer {
    std::uint64_t job = 0;  // the start's answer until a job is in hand
    int code = static_cast<int>(ExitCode::Internal);
    char subject[4096];
    char detail[1024];
    char line[5200];  // the single-file form's line
};

Published<char[4096]> temporary;
Published<Answer> crashAnswer;
std::atomic<int> frameFd{-1};
// The answer in hand has not been written yet. The start's answer is open from the beginning.
std::atomic<bool> answerOpen{true};

void RemoveTemporary() {
    if (const char* path = temporary.Get(); *path) ::unlink(path);
}

std::size_t Length(const char* text) {
    std::size_t length = 0;
    while (text[length]) ++length;
    return length;
}

// Nothing can be done about a failed write while dying.
void Put(int fd, const char* data, std::size_t length) {
    [[maybe_unused]] const bool written = files::WriteAll(fd, data, length);
}

// A number in decimal and its closing NUL.
void PutNumber(int fd, std::uint64_t number) {
    char digits[24];
    std::size_t count = 0;
    do {
        digits[sizeof digits - 1 - count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0 && count < sizeof digits - 1);
    Put(fd, digits + sizeof digits - count, count);
    Put(fd, "", 1);
}

// The answer frame (platform/engine_protocol.h), built without anything that is unsafe in a signal handler.
void WriteFrame(int fd, const Answer& answer) {
    static_assert(engine_protocol::kAnswerFields == 5);
    PutNumber(fd, answer.job);
    PutNumber(fd, static_cast<std::uint64_t>(answer.code));
    Put(fd, answer.subject, Length(answer.subject));
    Put(fd, "", 1);
    Put(fd, answer.detail, Length(answer.detail));
    Put(fd, "", 1);
    Put(fd, "", 1);  // a crash checked nothing
}

void OnCrash(int) {
    crashing.store(true);
    RemoveTemporary();
    const Answer& answer = crashAnswer.Get();
    if (const int fd = frameFd.load(); fd >= 0) {
        const bool answering = answerOpen.exchange(false);
        if (answering) {
            WriteFrame(fd, answer);
        } else {
            constexpr std::string_view kIdle = "Zuv0: internal error (LibreOffice crashed between jobs)\n";
            Put(console::OriginalStderr(), kIdle.data(), kIdle.size());
        }
        // The engine is gone whatever the job came to: the parent must start another.
        ::_exit(answering && answer.code != 0 ? answer.code : static_cast<int>(ExitCode::Internal));
    }
    if (const std::size_t length = Length(answer.line); length > 0) {
        Put(console::OriginalStderr(), answer.line, length);
        Put(console::OriginalStderr(), "\n", 1);
    }
    ::_exit(answer.code);
}

void Store(std::uint64_t job, const Outcome& outcome) {
    const std::string line = outcome.ok() ? std::string() : outcome.Line();
    crashAnswer.Set([&](Answer& answer) {
        answer.job = job;
        answer.code = static_cast<int>(outcome.code);
        Copy(answer.subject, sizeof answer.subject, outcome.subject);
        Copy(answer.detail, sizeof answer.detail, outcome.detail);
        Copy(answer.line, sizeof answer.line, line);
    });
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
    Store(crashAnswer.Get().job, outcome);
}

void AnswerCrashesOn(int fd) {
    frameFd.store(fd);
}

void OpenAnswer(std::uint64_t job, const Outcome& outcome) {
    Store(job, outcome);
    answerOpen.store(true);
}

bool ClaimAnswer() {
    return answerOpen.exchange(false);
}

void SetTemporary(std::string_view path) {
    temporary.Set([&](char(&into)[4096]) { Copy(into, sizeof into, path); });
}

}  // namespace larkspan::zuv0::crash_guard
