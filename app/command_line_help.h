#pragma once
// What the command line prints about itself: the short usage after a mistake, and the whole of --help.

namespace larkspan {

// Three lines and a pointer to --help, for standard error.
extern const char* const kCommandLineUsage;

// The forms, the format words, the options, the environment and the exit statuses.
extern const char* const kCommandLineHelp;

}  // namespace larkspan
