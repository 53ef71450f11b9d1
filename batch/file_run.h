#pragma once
// One file of a batch, from its source to its target: form the target, settle an existing one by the run's
// policy (asking through the events when the policy is to ask), then copy or convert.

#include <optional>
#include <set>
#include <stop_token>
#include <string>

#include "batch/batch_run.h"

namespace larkspan {

class FileRun {
public:
    FileRun(ConversionJob& job, const ConverterSettings& settings, EngineSession& engine,
            MessageBox& messages, BatchEvents& events, std::stop_token stop)
        : job_(job),
          settings_(settings),
          engine_(engine),
          messages_(messages),
          events_(events),
          stop_(std::move(stop)) {}

    // The result of the job's source number index; nullopt when the run ends before the file is done (end
    // says how). events: the run's own, or those of a file that goes ahead of its turn.
    [[nodiscard]] std::optional<FileResult> Run(std::size_t index, BatchEnd& end, BatchEvents& events);
    [[nodiscard]] std::optional<FileResult> Run(std::size_t index, BatchEnd& end) {
        return Run(index, end, events_);
    }

private:
    enum class Settled { Go, Cancelled, Stopped };
    Settled SettleExisting(const std::string& target, bool& rename, BatchEvents& events);

    ConversionJob& job_;
    const ConverterSettings& settings_;
    EngineSession& engine_;
    MessageBox& messages_;
    BatchEvents& events_;
    std::stop_token stop_;
    std::set<std::string> tidiedFolders_;
};

}  // namespace larkspan
