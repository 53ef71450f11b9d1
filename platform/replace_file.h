#pragma once
// Replacing a user's file without ever losing it: whether a file may be replaced at all, and a copy that
// takes the target's name only once it is complete, so that the old file stays until then.

#include <sys/types.h>

#include <optional>
#include <stop_token>
#include <string>
#include <system_error>

namespace larkspan::files {

// Success when a new file could take path's place (or path does not exist yet): path is not a folder, this
// user may write the file, and its folder lets this user put a new file in and rename it over the old one.
[[nodiscard]] std::error_code CheckReplaceable(const std::string& path);

// Copies source to target through a hidden temporary (".NAME.larkspan-PID-XXXXXX") in target's folder,
// flushed to disk and then renamed onto target. On any failure, or when stop is requested, the temporary is
// removed and an existing target is left exactly as it was. The new file gets mode, or the usual
// permissions (0666 less the umask).
[[nodiscard]] std::error_code CopyFileReplacing(const std::string& source, const std::string& target,
                                                std::stop_token stop = {},
                                                std::optional<mode_t> mode = std::nullopt);

// Removes from folder the temporaries that a killed program left: ".NAME.larkspan-PID-XXXXXX" of
// CopyFileReplacing and ".NAME.zuv0-PID-XXXXXX.ext" of the converter, whose process PID no longer runs.
// Another program's files, and those of a process still running, are left alone. Returns how many went.
int RemoveStaleTemporaries(const std::string& folder);

}  // namespace larkspan::files
