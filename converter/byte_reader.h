#pragma once
// Reading a file's bytes at given offsets, and little-endian numbers out of them, for the format checks.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace larkspan::zuv0 {

using Bytes = std::vector<unsigned char>;

// Reads exactly `count` bytes at `offset` with pread, so the file offset is not used; false when the file
// ends first or reading fails.
[[nodiscard]] bool ReadAt(int fd, std::uint64_t offset, unsigned char* out, std::size_t count);

inline std::uint16_t U16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t U32(const unsigned char* p) {
    return U16(p) | static_cast<std::uint32_t>(U16(p + 2)) << 16;
}
inline std::uint64_t U64(const unsigned char* p) {
    return U32(p) | static_cast<std::uint64_t>(U32(p + 4)) << 32;
}

}  // namespace larkspan::zuv0
