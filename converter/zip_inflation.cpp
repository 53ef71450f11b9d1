#include "zip_inflation.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "byte_reader.h"
#include "table_depth.h"

namespace larkspan::zuv0 {

namespace {

constexpr std::uint16_t kDeflated = 8;
constexpr std::size_t kLocalHeader = 30;

std::string MiB(std::uint64_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MiB";
}

// Every XML part is read for tables: a package's main part need not lie in word/.
bool IsXmlPart(const std::string& name) {
    return name.ends_with(".xml");
}

}  // namespace

std::uint64_t StreamPart(int fd, const ZipPart& part, std::uint64_t budget,
                         const std::function<bool(const unsigned char*, std::size_t)>& sink) {
    unsigned char header[kLocalHeader];
    if (!ReadAt(fd, part.localOffset, header, sizeof header) || std::memcmp(header, "PK\x03\x04", 4) != 0)
        return 0;
    std::uint64_t at = part.localOffset + kLocalHeader + U16(header + 26) + U16(header + 28);
    const bool deflated = part.method == kDeflated;

    z_stream stream{};
    if (deflated && ::inflateInit2(&stream, -MAX_WBITS) != Z_OK) return 0;
    Bytes in(64 * 1024);
    Bytes out(256 * 1024);
    std::uint64_t left = part.packedSize;
    std::uint64_t inflated = 0;
    int status = Z_OK;
    bool more = true;
    while (status == Z_OK && inflated <= budget && more) {
        if (stream.avail_in == 0) {
            const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, in.size()));
            if (chunk == 0 || !ReadAt(fd, at, in.data(), chunk)) break;
            at += chunk;
            left -= chunk;
            stream.next_in = in.data();
            stream.avail_in = static_cast<uInt>(chunk);
        }
        if (!deflated) {
            more = sink(stream.next_in, stream.avail_in);
            inflated += stream.avail_in;
            stream.avail_in = 0;
            continue;
        }
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        status = ::inflate(&stream, Z_NO_FLUSH);
        more = sink(out.data(), out.size() - stream.avail_out);
        inflated += out.size() - stream.avail_out;
        if (status == Z_BUF_ERROR && stream.avail_in == 0) status = Z_OK;  // wants more input
    }
    if (deflated) ::inflateEnd(&stream);
    return inflated;
}

std::string InflationRefusal(int fd, const std::vector<ZipPart>& parts) {
    // What the directory claims, before anything is inflated.
    std::uint64_t declaredTotal = 0;
    for (const ZipPart& part : parts) {
        if (part.declaredSize > kPartInflationLimit)
            return ShownPartName(part.name) + " would inflate to " + MiB(part.declaredSize);
        declaredTotal += part.declaredSize;
        if (declaredTotal > kTotalInflationLimit)
            return "its parts would inflate to more than " + MiB(kTotalInflationLimit);
    }

    // What the bytes really hold, and how deep the XML parts nest their tables.
    std::uint64_t total = 0;
    for (const ZipPart& part : parts) {
        const bool xmlPart = IsXmlPart(part.name);
        if (part.method != kDeflated && !(part.method == 0 && xmlPart)) {
            total += part.method == 0 ? part.packedSize : 0;
            continue;
        }
        const std::uint64_t ratioBound =
            part.method == 0 ? kPartInflationLimit
                             : std::max(kRatioFloor, std::min(part.packedSize, kPartInflationLimit) *
                                                         kInflationRatioLimit);
        const std::uint64_t partBound = std::min(kPartInflationLimit, ratioBound);
        const std::uint64_t budget =
            std::min(partBound, kTotalInflationLimit - std::min(total, kTotalInflationLimit));
        TableDepth tables;
        const std::uint64_t inflated =
            StreamPart(fd, part, budget, [&](const unsigned char* bytes, std::size_t n) {
                if (!xmlPart) return true;
                tables.Feed(bytes, n);
                return tables.deepest() <= kTableDepthLimit;
            });
        if (tables.deepest() > kTableDepthLimit)
            return ShownPartName(part.name) + " nests tables more than " + std::to_string(kTableDepthLimit) +
                   " deep";
        if (inflated > budget) {
            if (budget == partBound && partBound == ratioBound && ratioBound < kPartInflationLimit)
                return ShownPartName(part.name) + " would inflate more than " +
                       std::to_string(kInflationRatioLimit) + "-fold (past " + MiB(ratioBound) + ")";
            if (budget == partBound)
                return ShownPartName(part.name) + " would inflate to more than " + MiB(partBound);
            return "its parts would inflate to more than " + MiB(kTotalInflationLimit);
        }
        total += inflated;
    }
    return {};
}

std::string PartText(int fd, const ZipPart& part, std::size_t limit) {
    std::string text;
    StreamPart(fd, part, limit, [&](const unsigned char* bytes, std::size_t n) {
        text.append(reinterpret_cast<const char*>(bytes), std::min(n, limit - text.size()));
        return text.size() < limit;
    });
    return text;
}

}  // namespace larkspan::zuv0
