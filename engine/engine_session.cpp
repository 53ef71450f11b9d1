#include "engine/engine_session.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "engine/convert_file.h"
#include "engine/converter_reason.h"
#include "platform/engine_protocol.h"
#include "platform/file_writing.h"
#include "platform/process.h"
#include "platform/replace_file.h"

namespace larkspan {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace protocol = engine_protocol;

// A job's answer must come within the bound, a retired engine's shutdown within this.
constexpr auto kShutdownGrace = 10s;
constexpr auto kPollSlice = 20ms;  // how soon Stop is noticed

enum class Read { Answer, TimedOut, Stopped, Closed, TooLarge };

constexpr const char* kStopped = "stopped";

std::string MiB(std::uint64_t bytes) {
    return std::to_string(bytes >> 20) + " MiB";
}

// Writes a request; a reader that has gone is an error, not a signal that ends this program.
bool WriteRequest(int fd, const std::string& data) {
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const bool ok = files::WriteAll(fd, data.data(), data.size());
    if (!ok && errno == EPIPE) {
        // The signal this write raised is still pending for this thread: take it before unblocking.
        timespec none{0, 0};
        sigtimedwait(&pipeSignal, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

struct Answer {
    std::int64_t job = -1;
    std::int64_t status = -1;
    std::string subject, detail, check;
};

// What an answer's status says about running again.
FailureKind KindOf(std::int64_t status) {
    switch (static_cast<protocol::ExitCode>(status)) {
        case protocol::ExitCode::NotADocument:
        case protocol::ExitCode::PasswordProtected:
            return FailureKind::Refused;
        case protocol::ExitCode::SourceUnreadable:
        case protocol::ExitCode::SaveFailed:
        case protocol::ExitCode::ContentLost:
            return FailureKind::Document;
        default:
            return FailureKind::Outside;
    }
}

// What the user is told of an answer: the status's reason, the path it is about unless that is the file
// the caller names anyway, and the detail.
std::string Reason(const Answer& answer, std::string_view source, std::string_view target) {
    constexpr int kLastStatus = static_cast<int>(protocol::kLastExitCode);
    std::string reason = answer.status >= 0 && answer.status <= kLastStatus
                             ? std::string(protocol::ReasonText(static_cast<int>(answer.status)))
                             : "the converter failed with status " + std::to_string(answer.status);
    if (!answer.subject.empty() && answer.subject != source && answer.subject != target)
        reason += ": " + answer.subject;
    if (!answer.detail.empty()) reason += " (" + answer.detail + ")";
    return reason;
}

}  // namespace

struct EngineSession::Engine {
    process::ChildProcess child;
    std::string received;  // read from the engine and not yet taken
    std::string errors;    // what it wrote on standard error
    bool closed = false;   // it closed its end of the answers
    std::uint64_t jobs = 0;

    // Takes what the engine wrote, without waiting.
    void Receive() {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(child.outputFd(), buffer, sizeof buffer);
            if (n > 0) {
                received.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            closed = closed || n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            return;
        }
    }

    // The next answer, all its fields, if it is all there.
    bool TakeAnswer(Answer& answer) {
        static_assert(protocol::kAnswerFields == 5);
        std::string fields[protocol::kAnswerFields];
        std::size_t start = 0;
        for (std::string& field : fields) {
            const std::size_t end = received.find('\0', start);
            if (end == std::string::npos) return false;
            field = received.substr(start, end - start);
            start = end + 1;
        }
        received.erase(0, start);
        answer = {protocol::ParseNumber(fields[0]), protocol::ParseNumber(fields[1]), std::move(fields[2]),
                  std::move(fields[3]), std::move(fields[4])};
        return true;
    }

    // The next answer. While it waits, it watches the engine's memory.
    Read NextAnswer(Clock::time_point deadline, std::stop_token stop, std::uint64_t memoryCap,
                    Answer& answer) {
        for (;;) {
            if (TakeAnswer(answer)) return Read::Answer;
            if (closed) return Read::Closed;
            if (stop.stop_requested()) {
                // An answer already on its way is the job's: the engine put its target in place before it.
                Receive();
                return TakeAnswer(answer) ? Read::Answer : Read::Stopped;
            }
            if (process::MemoryOf(child.pid()).resident > memoryCap) return Read::TooLarge;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return Read::TimedOut;
            pollfd fds[2] = {{child.outputFd(), POLLIN, 0}, {child.errorFd(), POLLIN, 0}};
            const int count = child.errorFd() >= 0 ? 2 : 1;
            if (::poll(fds, count,
                       static_cast<int>(std::min<std::chrono::milliseconds>(left, kPollSlice).count())) <= 0)
                continue;
            if (count == 2 && fds[1].revents) child.CollectErrors(errors);
            if (fds[0].revents) Receive();
        }
    }
};

void EngineStarts::Started() {
    anyStarted_ = true;
    failedInARow_ = 0;
}

EngineStarts::Verdict EngineStarts::Failed() {
    const int inARow = ++failedInARow_;
    if (!anyStarted_) return Verdict::NeverStarted;
    return inARow >= kFailuresToGiveUp ? Verdict::GaveUp : Verdict::FileFails;
}

EngineLimits EngineLimits::FromEnvironment(std::string& warning) {
    EngineLimits limits;
    warning.clear();
    if (const char* value = std::getenv("LARKSPAN_ENGINE_MEMORY"); value && *value) {
        char* end = nullptr;
        const unsigned long long mib = std::strtoull(value, &end, 10);
        if (*end == '\0' && mib > 0 && mib < (1ull << 40))
            limits.memoryCap = mib << 20;
        else
            warning = "LARKSPAN_ENGINE_MEMORY=" + std::string(value) + " is not a number of MiB; using " +
                      MiB(limits.memoryCap);
    }
    return limits;
}

EngineSession::EngineSession(ConverterProgram program, EngineLimits limits,
                             std::shared_ptr<EngineStarts> starts)
    : program_(std::move(program)), limits_(limits), starts_(std::move(starts)) {}

EngineSession::~EngineSession() {
    Retire(lastStop_);
}

pid_t EngineSession::EnginePid() const {
    return engine_ ? engine_->child.pid() : 0;
}

std::string EngineSession::Launch(std::stop_token stop) {
    if (!program_.problem.empty()) return program_.problem;
    std::error_code error;
    std::optional<process::ChildProcess> child = process::ChildProcess::Start(
        program_.path, {"--serve"}, error, {.pipeInput = true, .pipeOutput = true});
    if (!child) return "cannot start the converter " + program_.path + ": " + error.message();
    engine_ = std::make_unique<Engine>(Engine{std::move(*child), {}, {}, false, 0});
    ++enginesStarted_;

    // The engine answers first whether LibreOffice is up.
    Answer answer;
    const Read read = engine_->NextAnswer(Clock::now() + limits_.startBound, stop, limits_.memoryCap, answer);
    if (read == Read::Answer && answer.job == 0 && answer.status == 0 && engine_->received.empty()) return {};
    std::string reason;
    switch (read) {
        case Read::Answer:
            reason = answer.job == 0 && answer.status != 0 ? Reason(answer, {}, {})
                                                           : "the conversion engine answered out of turn";
            break;
        case Read::TimedOut:
            reason = "the conversion engine did not start within " + SecondsText(limits_.startBound);
            break;
        case Read::TooLarge:
            reason = "the conversion engine needs more memory than " + MiB(limits_.memoryCap) + " to start";
            break;
        case Read::Stopped:
            reason = kStopped;
            break;
        case Read::Closed: {
            // Whatever it said before it ended, all of it: the reap takes the rest of its errors.
            reason = ConverterReason(engine_->errors + engine_->child.End().errorOutput);
            if (reason.empty()) reason = "the conversion engine ended while starting";
            break;
        }
    }
    engine_->child.End();
    engine_.reset();
    return reason;
}

bool EngineSession::Start(std::stop_token stop, ConversionResult& failure) {
    failure = {.reason = Launch(stop), .kind = FailureKind::Outside};
    if (failure.reason.empty()) {
        starts_->Started();
        return true;
    }
    if (stop.stop_requested()) {
        failure.reason = kStopped;
        return false;
    }
    switch (starts_->Failed()) {
        case EngineStarts::Verdict::FileFails:
            break;
        case EngineStarts::Verdict::NeverStarted:
            failure.engineMissing = true;
            break;
        case EngineStarts::Verdict::GaveUp:
            failure.engineMissing = true;
            failure.reason = "the conversion engine failed to start " +
                             std::to_string(EngineStarts::kFailuresToGiveUp) +
                             " times in a row; the last time: " + failure.reason;
            break;
    }
    return false;
}

void EngineSession::Retire(std::stop_token stop) {
    if (!engine_) return;
    engine_->child.CloseInput();
    engine_->child.Wait(kShutdownGrace, stop);
    engine_.reset();
}

void EngineSession::Kill(std::string_view target, int* signal) {
    const process::WaitResult ended = engine_->child.End();
    engine_.reset();
    if (signal) *signal = ended.signal;
    // What it was writing beside the target is a leftover of a process that is gone now.
    const std::string folder = std::filesystem::path(target).parent_path().string();
    files::RemoveStaleTemporaries(folder.empty() ? "." : folder);
}

void EngineSession::DropIfUnfit(std::string_view target) {
    if (!engine_) return;
    process::WaitResult ended;
    if (engine_->child.HasEnded(ended)) {
        // It crashed after answering, or was killed: nothing of it runs any more.
        engine_.reset();
        return;
    }
    pollfd fd{engine_->child.outputFd(), POLLIN, 0};
    if (::poll(&fd, 1, 0) > 0) {
        engine_->Receive();
        if (engine_->closed || !engine_->received.empty()) Kill(target);
    }
}

ConversionResult EngineSession::Convert(std::string_view source, std::string_view target,
                                        std::chrono::milliseconds bound, std::stop_token stop,
                                        std::string_view options) {
    lastStop_ = stop;
    ConversionResult result;
    DropIfUnfit(target);
    for (int attempt = 0;; ++attempt) {
        if (!engine_ && !Start(stop, result)) return result;
        if (WriteRequest(engine_->child.inputFd(),
                         protocol::RequestFrame(engine_->jobs + 1, source, target, options)))
            break;
        // It ended before it took the job; one fresh engine is tried.
        Kill(target);
        if (attempt == 1) {
            result.reason = "the conversion engine does not take jobs";
            result.kind = FailureKind::Outside;
            return result;
        }
    }

    Answer answer;
    switch (engine_->NextAnswer(Clock::now() + bound, stop, limits_.memoryCap, answer)) {
        case Read::TooLarge:
            Kill(target);
            result.reason =
                "too large to convert: it needs more than " + MiB(limits_.memoryCap) + " of memory";
            result.kind = FailureKind::Document;
            return result;
        case Read::TimedOut:
            Kill(target);
            result.reason = "conversion took longer than " + SecondsText(bound);
            result.kind = FailureKind::Outside;  // on a less busy machine it may well fit
            return result;
        case Read::Stopped:
            Kill(target);
            result.reason = kStopped;
            result.kind = FailureKind::Outside;
            result.stopped = true;
            return result;
        case Read::Closed: {
            int signal = 0;
            Kill(target, &signal);
            result.reason = "the conversion engine ended while converting";
            result.kind = FailureKind::Document;
            if (signal) result.reason += " (signal " + std::to_string(signal) + ")";
            return result;
        }
        case Read::Answer:
            break;
    }
    // One answer per job, to that job: anything else means the engine cannot be trusted with this job or
    // the next.
    if (answer.job != static_cast<std::int64_t>(engine_->jobs + 1) || answer.status < 0 ||
        !engine_->received.empty()) {
        Kill(target);
        result.reason = "the conversion engine answered out of turn";
        result.kind = FailureKind::Outside;
        return result;
    }

    ++engine_->jobs;
    const process::MemoryUse memory = process::MemoryOf(engine_->child.pid());
    peakMemory_ = std::max(peakMemory_, memory.peak);
    if (engine_->jobs >= static_cast<std::uint64_t>(limits_.jobsPerEngine) ||
        memory.resident > limits_.memoryLimit)
        Retire(stop);

    result.check = std::move(answer.check);
    if (answer.status == 0) {
        result.losses = std::move(answer.detail);
        result.produced = FileExists(target);
        if (!result.produced) {
            result.reason = "the converter wrote no target";
            result.kind = FailureKind::Outside;
        }
        return result;
    }
    result.reason = Reason(answer, source, target);
    // Failed for what it lost (strict): the losses are told as a converted file's are.
    if (answer.status == static_cast<int>(protocol::ExitCode::ContentLost)) result.losses = answer.detail;
    result.kind = KindOf(answer.status);
    result.engineMissing = answer.status == static_cast<int>(protocol::ExitCode::EngineMissing);
    return result;
}

}  // namespace larkspan
