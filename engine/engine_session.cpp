#include "engine/engine_session.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/convert_file.h"
#include "engine/converter_reason.h"
#include "platform/replace_file.h"

namespace larkspan {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A job's answer must come within the bound, a retired engine's shutdown within this.
constexpr auto kShutdownGrace = 10s;
constexpr auto kPollSlice = 20ms;  // how soon Stop is noticed

enum class Read { Field, TimedOut, Stopped, Closed, TooLarge };

std::string Seconds(std::chrono::milliseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(duration.count()) / 1000.0);
    return text;
}

std::string MiB(std::uint64_t bytes) {
    return std::to_string(bytes >> 20) + " MiB";
}

// Writes all of data; a reader that has gone is an error, not a signal that ends this program.
bool WriteAll(int fd, const std::string& data) {
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    bool ok = true;
    for (std::size_t done = 0; done < data.size();) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (!ok && errno == EPIPE) {
        // The signal this write raised is still pending for this thread: take it before unblocking.
        timespec none{0, 0};
        sigtimedwait(&pipeSignal, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

// Resident memory and its high-water mark of a process, in bytes; 0 when unknown.
std::pair<std::uint64_t, std::uint64_t> MemoryOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::uint64_t resident = 0, peak = 0;
    for (std::string line; std::getline(status, line);) {
        unsigned long long kib = 0;
        if (std::sscanf(line.c_str(), "VmRSS: %llu kB", &kib) == 1) resident = kib * 1024;
        if (std::sscanf(line.c_str(), "VmHWM: %llu kB", &kib) == 1) peak = kib * 1024;
    }
    return {resident, peak};
}

}  // namespace

struct EngineSession::Engine {
    process::ChildProcess child;
    std::string program;
    std::string received;  // read from the engine and not yet taken
    std::string errors;    // what it wrote on standard error
    int jobs = 0;

    // The next NUL-terminated field of the engine's answer. While it waits, it watches the engine's memory.
    Read NextField(Clock::time_point deadline, std::stop_token stop, std::uint64_t memoryCap,
                   std::string& field) {
        for (;;) {
            if (std::size_t end = received.find('\0'); end != std::string::npos) {
                field = received.substr(0, end);
                received.erase(0, end + 1);
                return Read::Field;
            }
            if (stop.stop_requested()) return Read::Stopped;
            if (MemoryOf(child.pid()).first > memoryCap) return Read::TooLarge;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return Read::TimedOut;
            pollfd fds[2] = {{child.outputFd(), POLLIN, 0}, {child.errorFd(), POLLIN, 0}};
            const int count = child.errorFd() >= 0 ? 2 : 1;
            if (::poll(fds, count,
                       static_cast<int>(std::min(left, std::chrono::milliseconds(kPollSlice)).count())) <= 0)
                continue;
            if (count == 2 && fds[1].revents) child.CollectErrors(errors);
            if (fds[0].revents) {
                char buffer[4096];
                ssize_t n = ::read(child.outputFd(), buffer, sizeof buffer);
                if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
                if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) return Read::Closed;
            }
        }
    }
};

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

EngineSession::EngineSession(EngineLimits limits) : limits_(limits) {}

EngineSession::~EngineSession() {
    Retire();
}

pid_t EngineSession::EnginePid() const {
    return engine_ ? engine_->child.pid() : 0;
}

bool EngineSession::Start(const std::string& program, std::stop_token stop, ConversionResult& failure) {
    std::error_code error;
    std::optional<process::ChildProcess> child =
        process::ChildProcess::Start(program, {"--serve"}, error, {.pipeInput = true, .pipeOutput = true});
    if (!child) {
        failure = {false, "cannot start the converter " + program + ": " + error.message(), true};
        return false;
    }
    engine_ = std::make_unique<Engine>(Engine{std::move(*child), program, {}, {}, 0});
    ++enginesStarted_;

    // The engine says first whether LibreOffice is up.
    std::string code, line;
    const Clock::time_point deadline = Clock::now() + limits_.startBound;
    Read read = engine_->NextField(deadline, stop, limits_.memoryCap, code);
    if (read == Read::Field) read = engine_->NextField(deadline, stop, limits_.memoryCap, line);
    if (read == Read::Field && code == "0") return true;

    failure = {false, {}, true};
    switch (read) {
        case Read::Field:
            failure.reason = ConverterReason(line, {}, {});
            break;
        case Read::TimedOut:
            failure.reason = "the conversion engine did not start within " + Seconds(limits_.startBound);
            break;
        case Read::TooLarge:
            failure.reason =
                "the conversion engine needs more memory than " + MiB(limits_.memoryCap) + " to start";
            break;
        case Read::Stopped:
            failure.engineMissing = false;
            failure.reason = "stopped";
            break;
        case Read::Closed: {
            // Whatever it said before it ended, all of it: the reap takes the rest of its errors.
            std::string errors = engine_->errors + engine_->child.End().errorOutput;
            failure.reason = ConverterReason(errors, {}, {});
            if (failure.reason.empty()) failure.reason = "the conversion engine ended while starting";
            break;
        }
    }
    engine_->child.End();
    engine_.reset();
    return false;
}

void EngineSession::Retire() {
    if (!engine_) return;
    engine_->child.CloseInput();
    engine_->child.Wait(kShutdownGrace);
    engine_.reset();
}

process::WaitResult EngineSession::Kill(std::string_view target) {
    process::WaitResult ended = engine_->child.End();
    engine_.reset();
    // What it was writing beside the target is a leftover of a process that is gone now.
    const std::string folder = std::filesystem::path(target).parent_path().string();
    files::RemoveStaleTemporaries(folder.empty() ? "." : folder);
    return ended;
}

ConversionResult EngineSession::Convert(const std::string& program, std::string_view source,
                                        std::string_view target, std::chrono::milliseconds bound,
                                        std::stop_token stop) {
    ConversionResult result;
    if (engine_ && engine_->program != program) Retire();
    if (engine_) {
        // An engine that ended since its last job (it crashed after answering, or was killed) is replaced.
        process::WaitResult ended;
        if (engine_->child.HasEnded(ended)) engine_.reset();
    }
    const std::string request = std::string(source) + '\0' + std::string(target) + '\0';
    for (int attempt = 0;; ++attempt) {
        if (!engine_ && !Start(program, stop, result)) return result;
        if (WriteAll(engine_->child.inputFd(), request)) break;
        // It ended before it took the job; one fresh engine is tried.
        Kill(target);
        if (attempt == 1) {
            result.reason = "the conversion engine does not take jobs";
            return result;
        }
    }

    const Clock::time_point deadline = Clock::now() + bound;
    std::string code, line;
    Read read = engine_->NextField(deadline, stop, limits_.memoryCap, code);
    if (read == Read::Field) read = engine_->NextField(deadline, stop, limits_.memoryCap, line);
    switch (read) {
        case Read::TooLarge:
            Kill(target);
            result.reason =
                "too large to convert: it needs more than " + MiB(limits_.memoryCap) + " of memory";
            return result;
        case Read::TimedOut:
            Kill(target);
            result.reason = "conversion took longer than " + Seconds(bound);
            return result;
        case Read::Stopped:
            Kill(target);
            result.reason = "stopped";
            return result;
        case Read::Closed: {
            process::WaitResult ended = Kill(target);
            result.reason = "the conversion engine ended while converting";
            if (ended.signal) result.reason += " (signal " + std::to_string(ended.signal) + ")";
            return result;
        }
        case Read::Field:
            break;
    }

    ++engine_->jobs;
    auto [resident, peak] = MemoryOf(engine_->child.pid());
    peakMemory_ = std::max(peakMemory_, peak);
    if (engine_->jobs >= limits_.jobsPerEngine || resident > limits_.memoryLimit) Retire();

    if (code == "0") {
        result.produced = FileExists(target);
        if (!result.produced) result.reason = "the converter wrote no target";
        return result;
    }
    result.reason = ConverterReason(line, source, target);
    if (result.reason.empty()) result.reason = "the converter failed with status " + code;
    result.engineMissing = code == "7";
    return result;
}

}  // namespace larkspan
