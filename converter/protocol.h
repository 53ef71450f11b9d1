#pragma once
// Zuv0's side of the serving protocol (platform/engine_protocol.h; README.md, "Serving many jobs"): reading
// the requests' fields, writing the answers.

#include <cstdint>
#include <string>
#include <vector>

#include "outcome.h"

namespace larkspan::zuv0 {

// Reads NUL-closed fields from a descriptor.
class FieldReader {
public:
    explicit FieldReader(int fd) : fd_(fd) {}

    // The next field; false at the end of input, on a read error, or when the input ends inside a field.
    bool Next(std::string& field);

private:
    int fd_;
    std::vector<char> buffer_;
    std::size_t start_ = 0;  // first byte not handed out yet
};

// Writes the answer to job in full; false when the reader has gone.
[[nodiscard]] bool WriteAnswer(int fd, std::uint64_t job, const Outcome& outcome);

}  // namespace larkspan::zuv0
