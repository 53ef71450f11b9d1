#include "zip_check.h"

#include <algorithm>
#include <cstring>
#include <string_view>

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

}  // namespace

Sniffed CheckZipPackage(int fd, std::uint64_t size) {
    const Sniffed truncated{ContentKind::Damaged, "a damaged or truncated Word file"};
    const Sniffed damaged{ContentKind::Damaged, "a damaged Word file"};
    ZipDirectory directory;
    if (!FindZipDirectory(fd, size, directory)) return truncated;
    if (directory.offset > directory.end || directory.size > directory.end - directory.offset)
        return truncated;
    // Far larger than any real document's list of parts: refuse rather than allocate it.
    if (directory.size > 64 * 1024 * 1024) return damaged;
    Bytes entries(directory.size);
    if (!ReadAt(fd, directory.offset, entries.data(), entries.size())) return truncated;

    bool wordMain = false;
    bool contentTypes = false;
    bool wordFolder = false;
    bool openDocument = false;
    constexpr std::size_t kEntryHeader = 46;
    for (std::size_t p = 0; p + kEntryHeader <= entries.size();) {
        const unsigned char* entry = &entries[p];
        if (std::memcmp(entry, "PK\x01\x02", 4) != 0) return damaged;
        const std::uint32_t packedSize = U32(entry + 20);
        const std::size_t nameLength = U16(entry + 28);
        const std::size_t entryLength = kEntryHeader + nameLength + U16(entry + 30) + U16(entry + 32);
        const std::uint32_t localOffset = U32(entry + 42);
        if (p + entryLength > entries.size()) return damaged;
        const std::string_view name(reinterpret_cast<const char*>(entry + kEntryHeader), nameLength);
        // Zip64 entries keep their real numbers elsewhere; the common case is all that needs checking.
        if (packedSize != 0xFFFFFFFF && localOffset != 0xFFFFFFFF &&
            std::uint64_t{localOffset} + 30 + nameLength + packedSize > directory.offset)
            return truncated;
        wordMain = wordMain || name == "word/document.xml";
        contentTypes = contentTypes || name == "[Content_Types].xml";
        wordFolder = wordFolder || name.starts_with("word/");
        // Text, or a spreadsheet or drawing: the engine tells them apart by loading it.
        openDocument = openDocument || name == "content.xml";
        p += entryLength;
    }
    if (wordMain || (contentTypes && wordFolder)) return {ContentKind::WordPackage, {}};
    if (openDocument) return {ContentKind::OpenDocument, {}};
    return {ContentKind::Unknown, "a zip archive without a Word document in it"};
}

}  // namespace larkspan::zuv0
