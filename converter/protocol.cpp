#include "protocol.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_writing.h"

namespace larkspan::zuv0 {

namespace {

// Far longer than any path (PATH_MAX is 4096): input that runs on past this is not our protocol.
constexpr std::size_t kMaxField = 1024 * 1024;

}  // namespace

bool FieldReader::Next(std::string& field) {
    for (std::size_t searched = start_;;) {
        const auto end =
            std::find(buffer_.begin() + static_cast<std::ptrdiff_t>(searched), buffer_.end(), '\0');
        if (end != buffer_.end()) {
            field.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(start_), end);
            start_ = static_cast<std::size_t>(end - buffer_.begin()) + 1;
            return true;
        }
        if (buffer_.size() - start_ > kMaxField || fd_ < 0) return false;
        // Drop what was handed out already, then read more.
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
        searched = buffer_.size();
        char chunk[64 * 1024];
        ssize_t got = 0;
        do {
            got = ::read(fd_, chunk, sizeof chunk);
        } while (got < 0 && errno == EINTR);
        if (got <= 0) return false;
        buffer_.insert(buffer_.end(), chunk, chunk + got);
    }
}

bool WriteAnswer(int fd, std::uint64_t job, const Outcome& outcome) {
    const std::string frame =
        engine_protocol::AnswerFrame(job, outcome.code, outcome.subject, outcome.detail, outcome.check);
    return files::WriteAll(fd, frame.data(), frame.size());
}

}  // namespace larkspan::zuv0
