#include "byte_reader.h"

#include <unistd.h>

#include <cerrno>

namespace larkspan::zuv0 {

bool ReadAt(int fd, std::uint64_t offset, unsigned char* out, std::size_t count) {
    while (count > 0) {
        const ssize_t got = ::pread(fd, out, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace larkspan::zuv0
