#pragma once
// Ctrl+C and a polite kill, turned into a stop request: while an InterruptWatch lives, SIGINT, SIGTERM and
// SIGHUP request stop on its source instead of ending the process at once, so that the work in progress
// can end cleanly (engines ended, temporaries removed); the caller then ends the process by that signal
// (emergency::EndBySignal). A second signal does not wait for that: what the process started is killed,
// its temporaries are removed as far as they can be (platform/emergency_end.h), and it ends at once.

#include <atomic>
#include <stop_token>
#include <thread>

namespace larkspan {

class InterruptWatch {
public:
    explicit InterruptWatch(std::stop_source& stop);
    // Puts the signals' previous handling back.
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // The signal that asked to stop, or 0.
    int Signal() const { return signal_; }

private:
    std::atomic<int> signal_{0};
    std::jthread watcher_;
};

}  // namespace larkspan
