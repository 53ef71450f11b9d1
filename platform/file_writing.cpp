#include "platform/file_writing.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace larkspan::files {
namespace {

mode_t ReadUmask() {
    constexpr mode_t kUsual = 022;
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return kUsual;
    char buffer[4096];
    std::size_t size = 0;
    for (ssize_t got; size < sizeof buffer && (got = ::read(fd, buffer + size, sizeof buffer - size)) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        size += static_cast<std::size_t>(got);
    }
    ::close(fd);
    const std::string_view status(buffer, size);
    const std::size_t at = status.find("\nUmask:");
    if (at == std::string_view::npos) return kUsual;
    mode_t mask = 0;
    std::size_t digits = 0;
    for (std::size_t i = at + 7; i < status.size() && status[i] != '\n'; ++i) {
        const char c = status[i];
        if (c == ' ' || c == '\t') continue;
        if (c < '0' || c > '7') return kUsual;
        mask = static_cast<mode_t>(mask * 8 + static_cast<mode_t>(c - '0'));
        ++digits;
    }
    return digits > 0 ? (mask & 0777) : kUsual;
}

}  // namespace

bool WriteAll(int fd, const char* data, std::size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, data, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        data += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

mode_t NewFileMode() {
    static const mode_t mode = 0666 & ~ReadUmask();
    return mode;
}

std::string WriteErrorText(std::error_code error) {
    if (error == std::errc::no_space_on_device ||
        error == std::error_condition(EDQUOT, std::generic_category()))
        return "disk full";
    return error.message();
}

}  // namespace larkspan::files
