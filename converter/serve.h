#pragma once
// Zuv0 --serve: one engine for many jobs.
//
// LibreOffice starts once; then requests are read from standard input and answered on standard output,
// one response per request and in order, until the input ends (README.md, "Serving many jobs"). Each job
// gets the checks and the outcome of `Zuv0 -f SOURCE TARGET`.

#include <sys/types.h>

namespace larkspan::zuv0 {

// Serves until the end of input and returns the exit status. `parent` is the parent's pid as main() first
// saw it.
int Serve(pid_t parent);

}  // namespace larkspan::zuv0
