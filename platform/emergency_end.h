#pragma once
// Ending the process at once (a second Ctrl+C) without leaving anything of it behind: the process groups of
// the programs it started and the temporaries it is writing are registered while they exist, so that
// whatever thread is busy with them, the end can kill and remove them.

#include <sys/types.h>

#include <string>

namespace larkspan::emergency {

void AddGroup(pid_t group);
void RemoveGroup(pid_t group);

// A temporary this process is writing, by its full path.
void AddTemporary(const std::string& path);
void RemoveTemporary(const std::string& path);

// A folder where a started program may leave temporaries named for its process id (see replace_file.h).
void AddFolder(const std::string& folder);

// Kills every registered group, waits a moment for them to die, removes the registered temporaries and
// what the killed programs left in the registered folders.
void CleanUp();

// Ends the process by signal, with the signal's default action, as a shell expects of a program that a
// signal stopped.
[[noreturn]] void EndBySignal(int signal);

}  // namespace larkspan::emergency
