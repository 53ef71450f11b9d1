#include "console.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "platform/file_writing.h"

namespace larkspan::zuv0::console {

namespace {

int savedStdout = STDOUT_FILENO;
int savedStderr = STDERR_FILENO;
bool silenced = false;

}  // namespace

bool SilenceStandardStreams() {
    if (silenced) return true;
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return false;  // keep the noise rather than lose our own line
    const int out = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int err = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (out >= 0) savedStdout = out;
    if (err >= 0) savedStderr = err;
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::close(null);
    silenced = true;
    return true;
}

int OriginalStderr() {
    return savedStderr;
}
int OriginalStdout() {
    return savedStdout;
}

int TakeStandardInput() {
    const int in = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    if (in < 0) return -1;
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::close(null);
    }
    return in;
}

void WriteErrorLine(std::string_view text) {
    std::string line(text);
    line += '\n';
    // Nothing is left to tell a failure to.
    [[maybe_unused]] const bool written = files::WriteAll(savedStderr, line.data(), line.size());
}

}  // namespace larkspan::zuv0::console
