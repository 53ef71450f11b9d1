#pragma once
// The parts a zip package lists in its central directory: what the content check measures and what the
// package's readers read.
//
// A zip cut short loses its central directory, which sits at the end; a directory that points past its own
// start, or at entries that cannot fit before it, means bytes are missing.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace larkspan::zuv0 {

// One entry of the central directory, with its zip64 numbers resolved.
struct ZipPart {
    std::string name;
    std::uint16_t method = 0;  // 0 stored, 8 deflated; LibreOffice reads no other
    std::uint64_t packedSize = 0;
    std::uint64_t declaredSize = 0;  // inflated, as the directory says
    std::uint64_t localOffset = 0;
};

enum class ZipListing {
    Listed,
    Truncated,  // no directory at the end, or one that points where bytes are missing
    Damaged,    // a directory that is no list of entries, or far too large to be one
};

// Lists the parts of the zip that `fd` holds (`size` bytes) into `parts`.
ZipListing ListZipParts(int fd, std::uint64_t size, std::vector<ZipPart>& parts);

// Part names are compared without regard to ASCII case, as a package's own references name them.
bool SamePartName(std::string_view a, std::string_view b);

// A part's name as a reason shows it, cut at a character boundary: a name can be 64 KiB long.
std::string ShownPartName(const std::string& name);

}  // namespace larkspan::zuv0
