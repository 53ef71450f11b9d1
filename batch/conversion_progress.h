#pragma once
// What the worker tells the progress window, and how it asks the existing-file question. The window
// implements both on its own thread; tests implement them with recordings and preset answers.

#include <optional>
#include <string>
#include <string_view>

#include "batch/batch_run.h"

namespace larkspan {

class ConversionProgress {
public:
    virtual ~ConversionProgress() = default;
    // Once per file: the status dots move.
    virtual void AdvanceStatus() = 0;
    // A text for the detail log, appended unchanged: each line carries its own line end.
    virtual void AppendLog(std::string_view text) = 0;
    // The progress bar, 0 to 100.
    virtual void SetProgress(int position) = 0;
    // The run ended by itself (every file attempted, or Cancel at a question). errors counts the files to
    // keep in view: those that failed, and those converted with losses.
    virtual void ConversionDone(int errors) = 0;
};

class ExistingFileQuestion {
public:
    virtual ~ExistingFileQuestion() = default;
    // Shows message and waits for the answer; nullopt for Cancel (or when the run is being stopped).
    virtual std::optional<ExistingFileAnswer> Ask(const std::string& message) = 0;
};

}  // namespace larkspan
