#pragma once
// The command line's conversion: what the three arguments name, converted without any window, on several
// engines at once, each failure one line on standard error.

namespace larkspan {

class MainWindow;
class MessageBox;
struct CommandLineArguments;

inline constexpr const char* kCommandLineUsage =
    "usage: larkspan SOURCE-PATTERN FORMAT OUTPUT-FOLDER\n"
    "       larkspan                  (opens the window)\n"
    "FORMAT is doc or docx; SOURCE-PATTERN is a file, or a folder and a pattern such as '/home/ann/*.doc'.\n";

// Converts with the main window's windowless state (its scan, its Word location, its program folder).
// Returns the process exit status: 0 when every file was converted or copied, 1 when any failed, 2 when the
// format word or the output folder is missing or empty (the usage is printed, nothing is converted). A run
// ended by a signal leaves nothing half-written, and the caller then ends the process by that signal.
int RunCommandLineConversion(MainWindow& window, const CommandLineArguments& arguments, MessageBox& messages);

}  // namespace larkspan
