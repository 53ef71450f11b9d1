#pragma once
// A command line cut into the words a program is started with, by the quoting rules of the shell and of
// desktop entries, without any expansion: nothing of it ever reaches a shell.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace larkspan {

// Blanks (space, tab) separate words. "..." keeps its text together, a backslash in it escapes only
// " \ $ and `; '...' keeps its text as it stands; elsewhere a backslash takes the next character as it is.
// nullopt for a quote left open or a backslash at the end.
std::optional<std::vector<std::string>> SplitCommandWords(std::string_view commandLine);

}  // namespace larkspan
