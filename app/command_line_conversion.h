#pragma once
// The command line's conversion: what the three arguments name, converted without any window, on several
// engines at once, each failure one line on standard error.

namespace larkspan {

class MainWindow;
class MessageBox;
struct CommandLineArguments;

// Converts with the main window's windowless state (its scan, its Word location, its program folder).
// Returns the process exit status: 0 when every file was converted or copied, 1 when any failed, 2 when the
// arguments cannot be a conversion. A run ended by a signal leaves nothing half-written, and the caller then
// ends the process by that signal.
int RunCommandLineConversion(MainWindow& window, const CommandLineArguments& arguments, MessageBox& messages);

}  // namespace larkspan
