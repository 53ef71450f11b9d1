#pragma once
// What happens when LibreOffice crashes under us, or we are told to stop.
//
// A crash inside the engine must still end with our one line and exit status, and must not leave the
// temporary output behind. A termination signal (a runner's time-out) removes the temporary and then ends
// the process by that signal, as the runner expects.
//
// Serving many jobs (see serve.h), a crash answers the job in hand with its answer frame instead, so that
// the parent learns which job failed and why. Each job's answer is given once: whichever of the serve loop
// and the crash handler claims it first writes it. Between jobs a crash answers nothing, as every job read
// so far has had its answer.

#include <cstdint>
#include <string_view>

#include "outcome.h"

namespace larkspan::zuv0::crash_guard {

// Installs the handlers. Call after LibreOffice has started, so that ours replace the ones it installs.
void Install();

// The outcome to end with if the engine crashes from now on, status and words as one unit.
void SetOutcomeOnCrash(const Outcome& outcome);

// From now on a crash writes the open answer's frame to `fd` rather than a line on standard error, and
// ends the process with a non-zero status. The answer to the engine's start is open from the beginning.
void AnswerCrashesOn(int fd);

// Job number `job` is in hand: its answer is open, and a crash from now on gives `outcome`.
void OpenAnswer(std::uint64_t job, const Outcome& outcome);

// Takes the open answer for the caller to write. False when there is none, because a crash took it: the
// crash handler writes it and ends the process, and the caller must not write anything.
[[nodiscard]] bool ClaimAnswer();

// The temporary output to remove if the process dies; empty for none.
void SetTemporary(std::string_view path);

}  // namespace larkspan::zuv0::crash_guard
