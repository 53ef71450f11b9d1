#pragma once
// The command line's batch: nobody is there to ask, so an existing target is replaced, and files are
// converted on several engines at once. Two files of the run never write the same target, and no file's
// target is another document of the run (also where a folder folds letter case, so that names differing
// only in case are one file): such a file fails with its reason instead of destroying what the run
// converted or was about to convert. Results reach the events in the order of the files.

#include <stop_token>

#include "batch/batch_run.h"

namespace larkspan {

// engines is clamped to 1 .. the number of files. The events are called on the caller's thread only.
BatchSummary RunUnattended(ConversionJob& job, const ConverterSettings& settings, MessageBox& messages,
                           BatchEvents& events, int engines, std::stop_token stop = {});

// The number of engines for files: LARKSPAN_JOBS when it is a positive number, else one per core and at
// most 4; never more than there are files, never less than one. A value that is not a positive number is
// named in warning (empty otherwise).
int EngineCount(std::size_t files, std::string& warning);

}  // namespace larkspan
