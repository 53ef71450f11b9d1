#include "content_sniff.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace larkspan::zuv0 {

namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::array<unsigned char, 8> kCompoundMagic = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint64_t kPrefixSize = 64 * 1024;

bool ReadAt(int fd, std::uint64_t offset, unsigned char* out, std::size_t count) {
    while (count > 0) {
        const ssize_t got = ::pread(fd, out, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

std::uint16_t U16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t U32(const unsigned char* p) {
    return U16(p) | static_cast<std::uint32_t>(U16(p + 2)) << 16;
}
std::uint64_t U64(const unsigned char* p) {
    return U32(p) | static_cast<std::uint64_t>(U32(p + 4)) << 32;
}

Sniffed Damaged(std::string why) {
    return {ContentKind::Damaged, std::move(why)};
}

// ---- compound files ------------------------------------------------------------------------------------

// Every sector that the allocation table marks as used must be present in full. A truncated file loses
// its last sectors, which are in use; a complete file marks everything past its end as free.
Sniffed CheckCompoundFile(int fd, std::uint64_t size, const Bytes& header) {
    constexpr std::uint32_t kFree = 0xFFFFFFFF;
    constexpr std::uint32_t kMaxRegular = 0xFFFFFFFA;
    const Sniffed truncated = Damaged("a damaged or truncated Word file");
    if (header.size() < 512) return truncated;

    const std::uint16_t shift = U16(&header[30]);
    if (shift != 9 && shift != 12) return Damaged("a damaged Word file");
    const std::uint64_t sectorSize = std::uint64_t{1} << shift;
    if (size < sectorSize) return truncated;
    // Sector n starts at (n + 1) * sectorSize: the header fills sector "-1".
    const std::uint64_t wholeSectors = size / sectorSize - 1;
    const std::uint32_t fatCount = U32(&header[44]);
    const std::uint32_t firstDirectory = U32(&header[48]);
    std::uint32_t difatSector = U32(&header[68]);
    const std::uint32_t difatCount = U32(&header[72]);
    if (fatCount == 0 || fatCount > wholeSectors) return truncated;
    if (firstDirectory > kMaxRegular || firstDirectory >= wholeSectors) return truncated;

    std::vector<std::uint32_t> fatSectors;
    for (std::uint32_t i = 0; i < 109 && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(U32(&header[76 + 4 * i]));
    Bytes sector(sectorSize);
    const std::uint64_t perSector = sectorSize / 4;
    for (std::uint32_t walked = 0; fatSectors.size() < fatCount; ++walked) {
        if (walked >= difatCount || difatSector > kMaxRegular || difatSector >= wholeSectors)
            return truncated;
        if (!ReadAt(fd, (difatSector + 1) * sectorSize, sector.data(), sector.size())) return truncated;
        for (std::uint64_t i = 0; i + 1 < perSector && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(U32(&sector[4 * i]));
        difatSector = U32(&sector[sectorSize - 4]);
    }

    for (std::size_t ordinal = 0; ordinal < fatSectors.size(); ++ordinal) {
        const std::uint32_t fatSector = fatSectors[ordinal];
        if (fatSector > kMaxRegular || fatSector >= wholeSectors) return truncated;
        if (!ReadAt(fd, (fatSector + 1) * sectorSize, sector.data(), sector.size())) return truncated;
        for (std::uint64_t i = 0; i < perSector; ++i) {
            const std::uint32_t next = U32(&sector[4 * i]);
            if (next == kFree) continue;
            if (ordinal * perSector + i >= wholeSectors) return truncated;
            if (next <= kMaxRegular && next >= wholeSectors) return truncated;
        }
    }
    return {ContentKind::CompoundFile, {}};
}

// ---- zip packages --------------------------------------------------------------------------------------

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

Sniffed CheckWordPackage(int fd, std::uint64_t size) {
    const Sniffed truncated = Damaged("a damaged or truncated Word file");
    ZipDirectory directory;
    if (!FindZipDirectory(fd, size, directory)) return truncated;
    if (directory.offset > directory.end || directory.size > directory.end - directory.offset)
        return truncated;
    // Far larger than any real document's list of parts: refuse rather than allocate it.
    if (directory.size > 64 * 1024 * 1024) return Damaged("a damaged Word file");
    Bytes entries(directory.size);
    if (!ReadAt(fd, directory.offset, entries.data(), entries.size())) return truncated;

    bool mainPart = false;
    bool contentTypes = false;
    bool wordFolder = false;
    constexpr std::size_t kEntryHeader = 46;
    for (std::size_t p = 0; p + kEntryHeader <= entries.size();) {
        const unsigned char* entry = &entries[p];
        if (std::memcmp(entry, "PK\x01\x02", 4) != 0) return Damaged("a damaged Word file");
        const std::uint32_t packedSize = U32(entry + 20);
        const std::size_t nameLength = U16(entry + 28);
        const std::size_t entryLength = kEntryHeader + nameLength + U16(entry + 30) + U16(entry + 32);
        const std::uint32_t localOffset = U32(entry + 42);
        if (p + entryLength > entries.size()) return Damaged("a damaged Word file");
        const std::string_view name(reinterpret_cast<const char*>(entry + kEntryHeader), nameLength);
        // Zip64 entries keep their real numbers elsewhere; the common case is all that needs checking.
        if (packedSize != 0xFFFFFFFF && localOffset != 0xFFFFFFFF &&
            std::uint64_t{localOffset} + 30 + nameLength + packedSize > directory.offset)
            return truncated;
        mainPart = mainPart || name == "word/document.xml";
        contentTypes = contentTypes || name == "[Content_Types].xml";
        wordFolder = wordFolder || name.starts_with("word/");
        p += entryLength;
    }
    if (mainPart || (contentTypes && wordFolder)) return {ContentKind::WordPackage, {}};
    return {ContentKind::Unknown, "a zip archive without a Word document in it"};
}

// ---- text formats --------------------------------------------------------------------------------------

// The start of the file as lower-case ASCII, BOM removed, so that markup can be recognised whether the
// file is UTF-8 or UTF-16. Non-ASCII characters become '?'.
std::string AsciiView(const Bytes& prefix, std::size_t limit) {
    std::string view;
    std::size_t start = 0;
    int wide = 0;  // 0: bytes, 1: UTF-16LE, 2: UTF-16BE
    if (prefix.size() >= 3 && prefix[0] == 0xEF && prefix[1] == 0xBB && prefix[2] == 0xBF) {
        start = 3;
    } else if (prefix.size() >= 2 && prefix[0] == 0xFF && prefix[1] == 0xFE) {
        start = 2;
        wide = 1;
    } else if (prefix.size() >= 2 && prefix[0] == 0xFE && prefix[1] == 0xFF) {
        start = 2;
        wide = 2;
    }
    for (std::size_t i = start; i < prefix.size() && view.size() < limit; i += wide ? 2 : 1) {
        unsigned int c = prefix[i];
        if (wide) {
            if (i + 1 >= prefix.size()) break;
            const unsigned char high = wide == 1 ? prefix[i + 1] : prefix[i];
            c = high ? 0x80 : (wide == 1 ? prefix[i] : prefix[i + 1]);
        }
        if (c >= 0x80) c = '?';
        view += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return view;
}

bool StartsWithAny(std::string_view text, std::initializer_list<std::string_view> heads) {
    return std::any_of(heads.begin(), heads.end(),
                       [&](std::string_view head) { return text.starts_with(head); });
}

// UTF-8 without control characters other than tab, line feed, form feed and carriage return, and with at
// least one visible character. `complete` is false when the prefix stops before the end of the file, so a
// character cut in two at the end is not held against it.
bool IsPlainText(const Bytes& prefix, bool complete) {
    bool visible = false;
    std::size_t i = 0;
    if (prefix.size() >= 3 && prefix[0] == 0xEF && prefix[1] == 0xBB && prefix[2] == 0xBF) i = 3;
    while (i < prefix.size()) {
        const unsigned char c = prefix[i];
        if (c < 0x80) {
            if (c == 0x7f || (c < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != '\r')) return false;
            visible = visible || (c > 0x20);
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > prefix.size()) return !complete && visible;
        for (std::size_t k = 1; k < length; ++k) {
            if ((prefix[i + k] & 0xC0) != 0x80) return false;
            code = code << 6 | (prefix[i + k] & 0x3F);
        }
        const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
        if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        if (code < 0xA0) return false;  // C1 controls
        visible = true;
        i += length;
    }
    return visible;
}

Sniffed SniffText(const Bytes& prefix, bool complete) {
    const std::string view = AsciiView(prefix, 8 * 1024);
    const std::size_t first = view.find_first_not_of(" \t\r\n\f");
    const std::string_view head =
        first == std::string::npos ? std::string_view{} : std::string_view(view).substr(first);
    if (head.starts_with("{\\rtf")) return {ContentKind::Rtf, {}};
    if (StartsWithAny(head, {"<!doctype html", "<html", "<head", "<body", "<meta", "<title"}))
        return {ContentKind::Html, {}};
    // XHTML, and HTML that opens with a comment: the html element follows soon after.
    if (StartsWithAny(head, {"<?xml", "<!--", "<!doctype"}) && head.find("<html") != std::string_view::npos)
        return {ContentKind::Html, {}};
    if (IsPlainText(prefix, complete)) return {ContentKind::PlainText, {}};
    return {ContentKind::Unknown, "not a format a word processor opens"};
}

}  // namespace

Sniffed SniffContent(int fd, std::uint64_t size) {
    if (size == 0) return {ContentKind::Empty, "an empty file"};
    Bytes prefix(std::min(size, kPrefixSize));
    if (!ReadAt(fd, 0, prefix.data(), prefix.size())) return {ContentKind::Unknown, "could not read it"};

    if (prefix.size() >= kCompoundMagic.size() &&
        std::equal(kCompoundMagic.begin(), kCompoundMagic.end(), prefix.begin()))
        return CheckCompoundFile(fd, size, prefix);
    if (prefix.size() >= 4 && std::memcmp(prefix.data(), "PK\x03\x04", 4) == 0)
        return CheckWordPackage(fd, size);
    return SniffText(prefix, prefix.size() == size);
}

}  // namespace larkspan::zuv0
