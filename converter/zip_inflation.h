#pragma once
// How far a zip package's parts inflate: a few hundred kilobytes of deflated XML can stand for gigabytes,
// and LibreOffice would try to build all of it in memory.
//
// The sizes the package declares are checked first, and then each deflated part is inflated (into a
// scratch buffer, thrown away) and counted, stopping at the first bound passed: a part may declare any size
// it likes, so the declared numbers alone prove nothing. The XML parts are also read for how deep their
// tables nest (see table_depth.h), stored or deflated.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zip_directory.h"

namespace larkspan::zuv0 {

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

// Reads a stored part, or inflates a deflated one, handing its bytes to `sink` until the sink says stop, the
// part ends, or `budget` bytes have passed (then more than `budget` is returned). Data that does not
// inflate ends the part where it stops.
std::uint64_t StreamPart(int fd, const ZipPart& part, std::uint64_t budget,
                         const std::function<bool(const unsigned char*, std::size_t)>& sink);

}  // namespace larkspan::zuv0
