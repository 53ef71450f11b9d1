#include "console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace larkspan::zuv0::console {

namespace {

int savedStdout = STDOUT_FILENO;
int savedStderr = STDERR_FILENO;
bool silenced = false;

}  // namespace

void SilenceStandardStreams() {
    if (silenced) return;
    const int out = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int err = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;  // keep the noise rather than lose our own line
    if (out >= 0) savedStdout = out;
    if (err >= 0) savedStderr = err;
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::close(null);
    silenced = true;
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
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(savedStderr, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

}  // namespace larkspan::zuv0::console
