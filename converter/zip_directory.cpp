#include "zip_directory.h"

#include <algorithm>
#include <cstring>

#include "byte_reader.h"

namespace larkspan::zuv0 {

namespace {

struct ZipDirectory {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t end = 0;  // where the end record starts: the directory must lie before it
};

// The end record sits in the last 64 KiB + 22 bytes; a file cut short has lost it.
bool FindZipDirectory(int fd, std::uint64_t size, ZipDirectory& directory) {
    constexpr std::uint64_t kEndRecord = 22;
    if (size < kEndRecord) return false;
    const std::uint64_t tailSize = std::min<std::uint64_t>(size, 0xFFFF + kEndRecord);
    Bytes tail(tailSize);
    const std::uint64_t tailStart = size - tailSize;
    if (!ReadAt(fd, tailStart, tail.data(), tail.size())) return false;
    for (std::uint64_t p = tailSize - kEndRecord + 1; p-- > 0;) {
        const unsigned char* record = &tail[p];
        if (std::memcmp(record, "PK\x05\x06", 4) != 0) continue;
        if (p + kEndRecord + U16(record + 20) > tailSize) continue;
        directory.end = tailStart + p;
        directory.size = U32(record + 12);
        directory.offset = U32(record + 16);
        if (directory.offset != 0xFFFFFFFF && directory.size != 0xFFFFFFFF) return true;
        // Zip64: a locator just before the end record points to the larger record.
        if (directory.end < 20) return false;
        unsigned char locator[20];
        if (!ReadAt(fd, directory.end - 20, locator, sizeof locator)) return false;
        if (std::memcmp(locator, "PK\x06\x07", 4) != 0) return false;
        const std::uint64_t recordOffset = U64(locator + 8);
        unsigned char record64[56];
        if (recordOffset + sizeof record64 > directory.end) return false;
        if (!ReadAt(fd, recordOffset, record64, sizeof record64)) return false;
        if (std::memcmp(record64, "PK\x06\x06", 4) != 0) return false;
        directory.size = U64(record64 + 40);
        directory.offset = U64(record64 + 48);
        directory.end = recordOffset;
        return true;
    }
    return false;
}

// The numbers of an entry that do not fit in 32 bits are in its zip64 extra field, in this order, each only
// when the directory gives 0xFFFFFFFF in its place.
void ResolveZip64(const unsigned char* extra, std::size_t length, ZipPart& part) {
    for (std::size_t p = 0; p + 4 <= length;) {
        const std::size_t size = U16(extra + p + 2);
        if (p + 4 + size > length) return;
        if (U16(extra + p) == 0x0001) {
            const unsigned char* field = extra + p + 4;
            const unsigned char* end = field + size;
            for (std::uint64_t* value : {&part.declaredSize, &part.packedSize, &part.localOffset}) {
                if (*value != 0xFFFFFFFF) continue;
                if (field + 8 > end) return;
                *value = U64(field);
                field += 8;
            }
            return;
        }
        p += 4 + size;
    }
}

}  // namespace

ZipListing ListZipParts(int fd, std::uint64_t size, std::vector<ZipPart>& parts) {
    parts.clear();
    ZipDirectory directory;
    if (!FindZipDirectory(fd, size, directory)) return ZipListing::Truncated;
    if (directory.offset > directory.end || directory.size > directory.end - directory.offset)
        return ZipListing::Truncated;
    // Far larger than any real document's list of parts: refuse rather than allocate it.
    if (directory.size > 64 * 1024 * 1024) return ZipListing::Damaged;
    Bytes entries(directory.size);
    if (!ReadAt(fd, directory.offset, entries.data(), entries.size())) return ZipListing::Truncated;

    constexpr std::size_t kEntryHeader = 46;
    for (std::size_t p = 0; p + kEntryHeader <= entries.size();) {
        const unsigned char* entry = &entries[p];
        if (std::memcmp(entry, "PK\x01\x02", 4) != 0) return ZipListing::Damaged;
        const std::size_t nameLength = U16(entry + 28);
        const std::size_t extraLength = U16(entry + 30);
        const std::size_t entryLength = kEntryHeader + nameLength + extraLength + U16(entry + 32);
        if (p + entryLength > entries.size()) return ZipListing::Damaged;
        ZipPart part;
        part.name.assign(reinterpret_cast<const char*>(entry + kEntryHeader), nameLength);
        part.method = U16(entry + 10);
        part.packedSize = U32(entry + 20);
        part.declaredSize = U32(entry + 24);
        part.localOffset = U32(entry + 42);
        ResolveZip64(entry + kEntryHeader + nameLength, extraLength, part);
        if (part.localOffset > directory.offset || part.packedSize > directory.offset - part.localOffset ||
            30 + nameLength > directory.offset - part.localOffset - part.packedSize)
            return ZipListing::Truncated;
        parts.push_back(std::move(part));
        p += entryLength;
    }
    return ZipListing::Listed;
}

bool SamePartName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string ShownPartName(const std::string& name) {
    constexpr std::size_t kNameShown = 80;
    if (name.size() <= kNameShown) return name;
    std::size_t end = kNameShown;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end) + "...";
}

}  // namespace larkspan::zuv0
