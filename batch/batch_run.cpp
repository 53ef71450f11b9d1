#include "batch/batch_run.h"

#include "batch/file_run.h"
#include "engine/engine_session.h"

namespace larkspan {

BatchSummary RunBatch(ConversionJob& job, const ConverterSettings& settings, MessageBox& messages,
                      BatchEvents& events, std::stop_token stop) {
    BatchSummary summary;
    summary.total = static_cast<int>(job.m_arrSources.size());
    EngineSession engine(
        PrepareExternalConverter(job.m_nWordVersionCode, job.m_strWordFolder, settings.applicationFolder),
        settings.engineLimits);
    FileRun run(job, settings, engine, messages, events, stop);
    for (std::size_t index = 0; index < job.m_arrSources.size(); ++index) {
        if (stop.stop_requested()) {
            summary.end = BatchEnd::Stopped;
            return summary;
        }
        const std::string source = job.m_arrSources[index];
        events.FileStarted(index, source);
        std::optional<FileResult> result = run.Run(index, summary.end);
        if (!result) return summary;
        // A conversion cut short by Stop is not a result: the run ends with nothing more said.
        if (stop.stop_requested()) {
            summary.end = BatchEnd::Stopped;
            return summary;
        }
        if (!result->ok()) ++summary.errors;
        if (result->ok() && !result->losses.empty()) ++summary.withLosses;
        events.FileFinished(index, *result);
        if (result->engineMissing) {
            // Every file after this one would fail the same way: said once, counted as errors.
            summary.end = BatchEnd::NoEngine;
            summary.errors += summary.total - static_cast<int>(index) - 1;
            return summary;
        }
    }
    return summary;
}

}  // namespace larkspan
