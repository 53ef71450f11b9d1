#pragma once
// The batch run of the window: the shared batch loop, told as a log with a "From:" and a "To:" line per
// file, an error line for each failure and a closing line of totals, or one saying the run was cancelled.

#include <stop_token>
#include <string>
#include <string_view>

#include "batch/batch_run.h"
#include "batch/conversion_progress.h"

namespace larkspan {

class MessageBox;

// Carries out job on the calling thread (the window's worker thread). Returns how the run ended; the
// window learns of a run that ended by itself through ConversionDone, of nothing when it was stopped.
BatchSummary RunConversionWorker(ConversionJob& job, const ConverterSettings& settings,
                                 ConversionProgress& progress, ExistingFileQuestion& question,
                                 MessageBox& messages, std::stop_token stop);

// "The file "TARGET" has already existed!" and, after an empty line, "Please select the settings you want."
std::string ExistingFileMessage(std::string_view target);

// The log's closing line, after an empty line; it names the files converted with losses when there are any.
std::string TotalsLine(int total, int errors, int withLosses = 0);

inline constexpr const char* kSaveFileError = "Save file error!";
// The log's last line after Cancel in the existing-file prompt, under the file it was asked about.
inline constexpr const char* kCancelledLine = "  Cancelled: the files after this one were not converted.";

}  // namespace larkspan
