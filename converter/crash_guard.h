#pragma once
// What happens when LibreOffice crashes under us, or we are told to stop.
//
// A crash inside the engine must still end with our one line and exit status, and must not leave the
// temporary output behind. A termination signal (a runner's time-out) removes the temporary and then ends
// the process by that signal, as the runner expects.
//
// Serving many jobs (see serve.h), a crash answers the job in hand with its response frame instead, so
// that the parent learns which job failed and why; between jobs it answers nothing, as every job read so
// far has had its answer.

#include <string_view>

#include "outcome.h"

namespace larkspan::zuv0::crash_guard {

// Installs the handlers. Call after LibreOffice has started, so that ours replace the ones it installs.
void Install();

// The outcome to end with if the engine crashes from now on: the job in hand's.
void SetOutcomeOnCrash(const Outcome& outcome);

// From now on a crash writes the job in hand's response frame to `fd` rather than a line on standard
// error, and ends the process with a non-zero status.
void AnswerCrashesOn(int fd);

// No job in hand: a crash from now on writes no frame.
void SetNoJobOnCrash();

// The temporary output to remove if the process dies; empty for none.
void SetTemporary(std::string_view path);

}  // namespace larkspan::zuv0::crash_guard
