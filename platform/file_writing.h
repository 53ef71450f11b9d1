#pragma once
// What both programs need to write files the same way: whole buffers, the permissions of a new file, and
// the words a user is told when a write fails.

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <system_error>

namespace larkspan::files {

// Writes all `count` bytes, retrying after a signal. False with errno set when writing fails. Safe in a
// signal handler.
[[nodiscard]] bool WriteAll(int fd, const char* data, std::size_t count);

// The permissions a new file gets in this process: 0666 less the umask. The mask is read once, from
// /proc/self/status, and never changed: umask() can only be read by setting it, and with several threads
// at work one thread would restore another's temporary mask for good.
mode_t NewFileMode();

// A failed write as the user is told it: "disk full" when the disk or the user's quota has no room left,
// else the system's text.
std::string WriteErrorText(std::error_code error);

}  // namespace larkspan::files
