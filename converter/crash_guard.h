#pragma once
// What happens when LibreOffice crashes under us, or we are told to stop.
//
// A crash inside the engine must still end with our one line and exit status, and must not leave the
// temporary output behind. A termination signal (a runner's time-out) removes the temporary and then ends
// the process by that signal, as the runner expects.

#include <string_view>

#include "outcome.h"

namespace larkspan::zuv0::crash_guard {

// Installs the handlers. Call after LibreOffice has started, so that ours replace the ones it installs.
void Install();

// The outcome to end with if the engine crashes from now on.
void SetOutcomeOnCrash(const Outcome& outcome);

// The temporary output to remove if the process dies; empty for none.
void SetTemporary(std::string_view path);

}  // namespace larkspan::zuv0::crash_guard
