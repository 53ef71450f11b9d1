#pragma once
// Standard output and error while LibreOffice runs.
//
// LibreOffice writes warnings to file descriptors 1 and 2 from any of its threads, at any time. The caller
// must see nothing but our own line, so once the engine starts, both descriptors point at /dev/null for the
// rest of the process and our lines go to copies of the original descriptors.

#include <string_view>

namespace larkspan::zuv0::console {

// Keeps copies of the original descriptors 1 and 2, then points both at /dev/null. Safe to call twice.
// False, with nothing changed, when /dev/null cannot be opened.
[[nodiscard]] bool SilenceStandardStreams();

// The original standard error (or standard output): valid before and after silencing.
int OriginalStderr();
int OriginalStdout();

// Keeps a copy of descriptor 0 for our own reading and points 0 at /dev/null, so that nothing LibreOffice
// runs can take bytes meant for us. Returns the copy, or -1 when there is no standard input.
int TakeStandardInput();

// Writes text and a newline to the original standard error in one write.
void WriteErrorLine(std::string_view text);

}  // namespace larkspan::zuv0::console
