#pragma once
// The command line's batch: nobody is there to ask, so an existing target is replaced, and files are
// converted on several engines at once. Two files of the run never write the same target, and no file's
// target is another document of the run (also where a folder folds letter case, so that names differing
// only in case are one file): such a file fails with its reason instead of destroying what the run
// converted or was about to convert. Results reach the events in the order of the files.

#include <functional>
#include <stop_token>

#include "batch/batch_run.h"

namespace larkspan {

// A file's result as soon as it is known, on the thread of the engine that had it, one at a time.
using FileDone = std::function<void(std::size_t index, const FileResult& result)>;

// engines is clamped to 1 .. the number of files. The events are called on the caller's thread only, in the
// order of the files; done, when given, as each file ends.
BatchSummary RunUnattended(ConversionJob& job, const ConverterSettings& settings, MessageBox& messages,
                           BatchEvents& events, int engines, std::stop_token stop = {},
                           const FileDone& done = {});

// The number of engines for files: LARKSPAN_JOBS when it is a positive number, else one per core and at
// most 4; never more than there are files, never less than one. A value that is not a positive number is
// named in warning (empty otherwise).
int EngineCount(std::size_t files, std::string& warning);

}  // namespace larkspan
