#pragma once
// Running a call on the window's thread from the worker and waiting for its result, without ever
// blocking the window's thread on the worker: the wait ends when the call is done or when the run is
// being stopped, whichever comes first. A call abandoned that way still finishes safely on its own.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <utility>

#include <QMetaObject>
#include <QObject>

namespace larkspan {

// Runs call() on context's thread; returns its result, or nullopt when stop came first (or context went
// away before the call could run).
template <class Result, class Call>
std::optional<Result> CallOnGuiThread(QObject& context, Call call, std::stop_token stop) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable_any done;
        std::optional<Result> result;
    };
    auto shared = std::make_shared<Shared>();
    QMetaObject::invokeMethod(
        &context,
        [shared, call = std::move(call)]() mutable {
            Result result = call();
            std::lock_guard lock(shared->mutex);
            shared->result = std::move(result);
            shared->done.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(shared->mutex);
    shared->done.wait(lock, stop, [&] { return shared->result.has_value(); });
    return std::move(shared->result);
}

}  // namespace larkspan
