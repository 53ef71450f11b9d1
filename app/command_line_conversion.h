#pragma once
// The command line's conversion: what the arguments name, converted without any window, on several engines
// at once, each failure one line on standard error, and on request a report of every file.

namespace larkspan {

class MainWindow;
class MessageBox;
struct CommandLineArguments;

// Exit statuses that a scheduler can act on: retry 3, not 1.
inline constexpr int kExitConverted = 0;  // every file converted, copied or skipped
inline constexpr int kExitDocuments = 1;  // some documents failed on their own content
inline constexpr int kExitUsage = 2;      // the arguments make no run, or the output folder cannot be used
inline constexpr int kExitRetryable = 3;  // failures outside the documents, which running again may cure

// Converts with the main window's windowless state (its scan, its Word location, its program folder) and
// returns the exit status. A run ended by a signal leaves nothing half-written and then ends the process by
// that signal.
int RunCommandLineConversion(MainWindow& window, const CommandLineArguments& arguments, MessageBox& messages);

}  // namespace larkspan
