#include "platform/emergency_end.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "platform/process.h"
#include "platform/replace_file.h"

namespace larkspan::emergency {
namespace {

struct Registry {
    std::mutex mutex;
    std::set<pid_t> groups;
    std::set<std::string> temporaries;
    std::set<std::string> folders;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

void AddGroup(pid_t group) {
    std::lock_guard lock(TheRegistry().mutex);
    TheRegistry().groups.insert(group);
}

void RemoveGroup(pid_t group) {
    std::lock_guard lock(TheRegistry().mutex);
    TheRegistry().groups.erase(group);
}

void AddTemporary(const std::string& path) {
    std::lock_guard lock(TheRegistry().mutex);
    TheRegistry().temporaries.insert(path);
}

void RemoveTemporary(const std::string& path) {
    std::lock_guard lock(TheRegistry().mutex);
    TheRegistry().temporaries.erase(path);
}

void AddFolder(const std::string& folder) {
    std::lock_guard lock(TheRegistry().mutex);
    TheRegistry().folders.insert(folder);
}

void CleanUp() {
    using namespace std::chrono_literals;
    Registry& registry = TheRegistry();
    // Held to the end: nothing new is started or written meanwhile.
    std::lock_guard lock(registry.mutex);
    for (pid_t group : registry.groups) ::kill(-group, SIGKILL);
    // Until they are gone (zombies, as nobody reaps them now), their temporaries count as being written.
    for (int i = 0; i < 100; ++i) {
        bool running = false;
        for (pid_t group : registry.groups) running = running || process::IsRunning(group);
        if (!running) break;
        std::this_thread::sleep_for(10ms);
    }
    for (const std::string& path : registry.temporaries) ::unlink(path.c_str());
    for (const std::string& folder : registry.folders) files::RemoveStaleTemporaries(folder);
}

void EndBySignal(int signal) {
    ::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    // Not ended by it (a signal whose default is to go on): the status a shell gives such a program.
    ::_exit(128 + signal);
}

}  // namespace larkspan::emergency
