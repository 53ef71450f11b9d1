#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/emergency_end.h"
#include "platform/interrupt.h"

namespace larkspan {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The handler may only write to a pipe; the watcher thread does the rest. The write end never blocks: a
// handler that found the pipe full would hang the thread it interrupted.
int wakePipe[2] = {-1, -1};
struct sigaction previous[3];
bool handled[3] = {};

void OnSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] ssize_t n = ::write(wakePipe[1], &number, 1);
    errno = saved;
}

}  // namespace

InterruptWatch::InterruptWatch(std::stop_source& stop) {
    if (::pipe2(wakePipe, O_CLOEXEC) != 0)
        return;  // without it, signals keep their default: the process ends
    ::fcntl(wakePipe[1], F_SETFL, ::fcntl(wakePipe[1], F_GETFL) | O_NONBLOCK);
    watcher_ = std::jthread([this, &stop](std::stop_token ending) {
        while (!ending.stop_requested()) {
            // Woken by a signal, or by the byte 0 when the watch ends: no waking up to look, which would
            // keep the end of every run waiting for the next look.
            unsigned char number = 0;
            if (::read(wakePipe[0], &number, 1) != 1 || number == 0) continue;
            if (signal_ == 0) {
                signal_ = number;
                stop.request_stop();
                continue;
            }
            // Asked twice: no more waiting for the work in hand to end cleanly.
            emergency::CleanUp();
            emergency::EndBySignal(number);
        }
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) {
        // A signal the caller ignores (nohup, a background job of a script) stays ignored.
        ::sigaction(kSignals[i], nullptr, &previous[i]);
        handled[i] = previous[i].sa_handler != SIG_IGN;
        if (handled[i]) ::sigaction(kSignals[i], &action, nullptr);
    }
}

InterruptWatch::~InterruptWatch() {
    if (wakePipe[0] < 0) return;
    for (int i = 0; i < 3; ++i)
        if (handled[i]) ::sigaction(kSignals[i], &previous[i], nullptr);
    watcher_.request_stop();
    const unsigned char wake = 0;
    while (::write(wakePipe[1], &wake, 1) < 0 && errno == EINTR) {
    }
    watcher_.join();
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}

}  // namespace larkspan
