#pragma once
// The byte protocol of `Zuv0 --serve` (README.md, "Serving many jobs").
//
// Every field is a byte string closed by one NUL byte. Paths cannot hold NUL, so every other byte, line
// ends included, comes through as it is. A request is SOURCE and TARGET; a response is the decimal exit
// status and the one error line (empty on success).

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

// Writes "<code>\0<line>\0" in full; false when the reader has gone.
bool WriteResponse(int fd, const Outcome& outcome);

}  // namespace larkspan::zuv0
