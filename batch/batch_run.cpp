#include "batch/batch_run.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "batch/auto_rename.h"
#include "batch/file_ahead.h"
#include "batch/file_run.h"
#include "batch/unattended_run.h"
#include "engine/engine_session.h"

namespace larkspan {
namespace {

// One engine and the file run that uses it; one file at a time. Files ahead of their turn are converted on
// the slot's own thread, which lives as long as the run and ends the engine before it ends itself: an engine
// is sent SIGTERM when the thread that started it ends.
class Slot {
public:
    Slot(const ConverterProgram& program, const ConverterSettings& settings, ConversionJob& job,
         MessageBox& messages, BatchEvents& events, std::stop_token stop,
         std::shared_ptr<EngineStarts> starts)
        : engine_(std::make_unique<EngineSession>(program, settings.engineLimits, std::move(starts))),
          run_(job, settings, *engine_, messages, events, std::move(stop)) {}
    ~Slot() {
        if (thread_.joinable()) {
            thread_.request_stop();
            thread_.join();
        }
    }

    FileRun& Run() { return run_; }
    std::atomic<bool> busy = false;  // set when a file is given, cleared by the slot's thread when it is done

    // Runs task on the slot's thread.
    void Give(std::function<void()> task) {
        if (!thread_.joinable()) thread_ = std::jthread([this](std::stop_token ending) { Serve(ending); });
        std::lock_guard lock(mutex_);
        task_ = std::move(task);
        wake_.notify_all();
    }

private:
    void Serve(std::stop_token ending) {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex_);
                if (!wake_.wait(lock, ending, [this] { return static_cast<bool>(task_); })) {
                    engine_.reset();
                    return;
                }
                task = std::move(task_);
                task_ = nullptr;
            }
            task();
        }
    }

    std::unique_ptr<EngineSession> engine_;
    FileRun run_;  // not used once the engine is gone
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::function<void()> task_;
    std::jthread thread_;  // last: it ends before what it uses
};

// A file on its way ahead of its turn.
struct Ahead {
    std::size_t index = 0;
    Slot* slot = nullptr;
    std::string key;
    HeldEvents held;
    BatchEnd end = BatchEnd::Completed;
    std::promise<std::optional<FileResult>> promise;
    std::future<std::optional<FileResult>> result = promise.get_future();
};

}  // namespace

BatchSummary RunBatch(ConversionJob& job, const ConverterSettings& settings, MessageBox& messages,
                      BatchEvents& events, std::stop_token stop) {
    BatchSummary summary;
    const std::size_t count = job.m_arrSources.size();
    summary.total = static_cast<int>(count);
    const ConverterProgram program =
        PrepareExternalConverter(job.m_nWordVersionCode, job.m_strWordFolder, settings.applicationFolder);
    // As many engines as the command line takes; Word's own converter runs one file at a time.
    std::string ignored;
    const int engines = UsesExternalConverter(job.m_nWordVersionCode) ? EngineCount(count, ignored) : 1;
    // The files ahead stop with the run, and on their own when the run ends before their turn.
    std::stop_source aheadStop;
    std::stop_callback followRun(stop, [&aheadStop] { aheadStop.request_stop(); });
    const auto starts = std::make_shared<EngineStarts>();
    // Files ahead that are done, and as many as last looked at; the slots' threads use these to the end.
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    std::uint64_t done = 0, seen = 0;
    std::vector<std::unique_ptr<Slot>> slots;
    for (int i = 0; i < engines; ++i)
        slots.push_back(
            std::make_unique<Slot>(program, settings, job, messages, events, aheadStop.get_token(), starts));

    std::deque<std::unique_ptr<Ahead>> ahead;  // in the files' order
    // However the run ends (an exception included), the files still in hand end at once and are waited
    // for before anything they use goes; they are not told.
    struct EndAhead {
        std::stop_source& stop;
        std::deque<std::unique_ptr<Ahead>>& files;
        ~EndAhead() {
            stop.request_stop();
            for (const auto& file : files)
                if (file->result.valid()) file->result.wait();
        }
    } endAhead{aheadStop, ahead};
    // A file may go ahead when nothing can be asked about it and no file in hand may write the same file.
    auto free = [&]() -> Slot* {
        for (auto& slot : slots)
            if (!slot->busy) return slot.get();
        return nullptr;
    };
    auto mayGoAhead = [&](std::size_t index, std::string& key) {
        const std::string target =
            FormatOutputPath(job.TargetFolder(index), job.m_arrSources[index], job.m_nTargetFormat);
        if (PathFound(target)) return false;
        key = TargetKey(target);
        for (const auto& other : ahead)
            if (other->key == key) return false;
        return true;
    };
    // Counts and tells the file's result; false when the run ends with it.
    auto finish = [&](std::size_t index, const FileResult& result) {
        if (!result.ok()) ++summary.errors;
        if (result.ok() && !result.losses.empty()) ++summary.withLosses;
        events.FileFinished(index, result);
        if (!result.engineMissing) return true;
        // Every file after this one would fail the same way: said once, counted as errors.
        summary.end = BatchEnd::NoEngine;
        summary.errors += summary.total - static_cast<int>(index) - 1;
        return false;
    };

    std::size_t next = 0;
    // Files that go ahead, while an engine is free and the next file may.
    auto fill = [&] {
        std::string key;
        while (slots.size() > 1 && next < count && !stop.stop_requested() && free() &&
               mayGoAhead(next, key)) {
            auto file = std::make_unique<Ahead>();
            file->index = next++;
            file->slot = free();
            file->slot->busy = true;
            file->key = key;
            Ahead* raw = file.get();
            Slot* slot = file->slot;
            slot->Give([raw, slot, &doneMutex, &doneSignal, &done] {
                std::optional<FileResult> result;
                std::exception_ptr failure;
                try {
                    result = slot->Run().Run(raw->index, raw->end, raw->held);
                } catch (...) {
                    failure = std::current_exception();
                }
                // Told under the lock, and nothing of the file touched after: once its result is out, the
                // run may let it go.
                std::lock_guard lock(doneMutex);
                slot->busy = false;
                if (failure)
                    raw->promise.set_exception(failure);
                else
                    raw->promise.set_value(std::move(result));
                ++done;
                doneSignal.notify_all();
            });
            ahead.push_back(std::move(file));
        }
    };
    while (next < count || !ahead.empty()) {
        if (stop.stop_requested()) {
            summary.end = BatchEnd::Stopped;
            break;
        }
        fill();
        std::size_t index = 0;
        std::optional<FileResult> result;
        BatchEnd end = BatchEnd::Completed;
        if (!ahead.empty()) {
            // The first file in hand is the next to tell: its "From:" line is said while it converts, and
            // an engine that finishes a file meanwhile takes the next one.
            Ahead& first = *ahead.front();
            index = first.index;
            events.FileStarted(index, job.m_arrSources[index]);
            while (first.result.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
                std::unique_lock lock(doneMutex);
                doneSignal.wait(lock, [&] { return done != seen; });
                seen = done;
                lock.unlock();
                fill();
            }
            result = first.result.get();
            end = first.end;
            if (!result && first.held.Asked() && !stop.stop_requested()) {
                // Its target appeared meanwhile. It goes again, where it can be asked, once the files after
                // it are done: a new name chosen for it must not be one of theirs.
                for (std::size_t i = 1; i < ahead.size(); ++i) ahead[i]->result.wait();
                end = BatchEnd::Completed;
                result = slots.front()->Run().Run(index, end, events);
            } else if (result) {
                first.held.PassOn(events);
            }
            ahead.pop_front();
        } else {
            // Nothing in hand: this file goes now, where it may be asked about its target.
            index = next++;
            events.FileStarted(index, job.m_arrSources[index]);
            result = slots.front()->Run().Run(index, end, events);
        }
        if (!result) {
            summary.end = end == BatchEnd::Completed ? BatchEnd::Stopped : end;
            break;
        }
        // A conversion cut short by Stop is not a result: the run ends with nothing more said.
        if (stop.stop_requested()) {
            summary.end = BatchEnd::Stopped;
            break;
        }
        if (!finish(index, *result)) break;
    }
    return summary;
}

}  // namespace larkspan
