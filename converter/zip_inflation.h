#pragma once
// How far a zip package's parts inflate: a few hundred kilobytes of deflated XML can stand for gigabytes,
// and LibreOffice would try to build all of it in memory.
//
// The sizes the package declares are checked first, and then each deflated part is inflated (into a
// scratch buffer, thrown away) and counted, stopping at the first bound passed: a part may declare any size
// it likes, so the declared numbers alone prove nothing. The XML parts are also read for how deep their
// tables nest (see table_depth.h), stored or deflated.

#include <cstdint>
#include <string>
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

// No real document comes near these.
inline constexpr std::uint64_t kPartInflationLimit = std::uint64_t(256) << 20;
inline constexpr std::uint64_t kTotalInflationLimit = std::uint64_t(1) << 30;
// Deflate cannot do much better than 1032:1, and only on a run of one repeated pattern; XML with any text
// in it stays far below. Parts under a mebibyte are left alone whatever their ratio.
inline constexpr std::uint64_t kInflationRatioLimit = 1000;
inline constexpr std::uint64_t kRatioFloor = std::uint64_t(1) << 20;

// Why the parts would inflate to more than a document holds ("word/document.xml would inflate to 600 MiB"),
// or nest tables deeper than any document does, or empty when neither. `fd` holds the package the parts were
// listed from.
std::string InflationRefusal(int fd, const std::vector<ZipPart>& parts);

// The first `limit` bytes of a part, stored or deflated (fewer when it is shorter or does not inflate).
std::string PartText(int fd, const ZipPart& part, std::size_t limit);

}  // namespace larkspan::zuv0
