#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/interrupt.h"

namespace larkspan {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The handler may only write to a pipe; the watcher thread does the rest.
int wakePipe[2] = {-1, -1};
struct sigaction previous[3];

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
    watcher_ = std::jthread([this, &stop](std::stop_token ending) {
        while (!ending.stop_requested()) {
            pollfd fd{wakePipe[0], POLLIN, 0};
            if (::poll(&fd, 1, 50) <= 0) continue;
            unsigned char number = 0;
            if (::read(wakePipe[0], &number, 1) == 1 && signal_ == 0) {
                signal_ = number;
                stop.request_stop();
            }
        }
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &previous[i]);
}

InterruptWatch::~InterruptWatch() {
    if (wakePipe[0] < 0) return;
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
    watcher_.request_stop();
    watcher_.join();
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}

}  // namespace larkspan
