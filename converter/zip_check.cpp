#include "zip_check.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

#include "byte_reader.h"
#include "zip_inflation.h"

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

// The value of attribute `name` in the element text `element` ("<Override PartName=... >"), or empty.
std::string_view Attribute(std::string_view element, std::string_view name) {
    for (std::size_t at = element.find(name); at != std::string_view::npos; at = element.find(name, at + 1)) {
        if (at == 0 || !std::isspace(static_cast<unsigned char>(element[at - 1]))) continue;
        std::size_t p = at + name.size();
        while (p < element.size() && std::isspace(static_cast<unsigned char>(element[p]))) ++p;
        if (p >= element.size() || element[p] != '=') continue;
        ++p;
        while (p < element.size() && std::isspace(static_cast<unsigned char>(element[p]))) ++p;
        if (p >= element.size() || (element[p] != '"' && element[p] != '\'')) continue;
        const std::size_t end = element.find(element[p], p + 1);
        if (end == std::string_view::npos) return {};
        return element.substr(p + 1, end - p - 1);
    }
    return {};
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Whether the package holds the part that its [Content_Types].xml gives the content type of a Word
// document's main part (document, template, with or without macros). Most producers put it at
// word/document.xml, but the package's own index is what names it, and LibreOffice follows it.
bool HoldsDeclaredWordMain(int fd, const std::vector<ZipPart>& parts, const ZipPart& contentTypes) {
    constexpr std::size_t kIndexLimit = 1 << 20;  // a package's index is a few kilobytes
    const std::string index = PartText(fd, contentTypes, kIndexLimit);
    for (std::size_t at = index.find("<Override"); at != std::string::npos;
         at = index.find("<Override", at + 1)) {
        const std::size_t end = index.find('>', at);
        if (end == std::string::npos) break;
        const std::string_view element = std::string_view(index).substr(at, end - at);
        const std::string_view type = Attribute(element, "ContentType");
        const bool wordMain = type.ends_with(".main+xml") && (type.find(".wordprocessingml.") != type.npos ||
                                                              type.find("/vnd.ms-word.") != type.npos);
        std::string_view name = Attribute(element, "PartName");
        if (!wordMain || !name.starts_with('/')) continue;
        name.remove_prefix(1);
        if (std::any_of(parts.begin(), parts.end(),
                        [&](const ZipPart& part) { return SameName(part.name, name); }))
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

    std::vector<ZipPart> parts;
    constexpr std::size_t kEntryHeader = 46;
    for (std::size_t p = 0; p + kEntryHeader <= entries.size();) {
        const unsigned char* entry = &entries[p];
        if (std::memcmp(entry, "PK\x01\x02", 4) != 0) return damaged;
        const std::size_t nameLength = U16(entry + 28);
        const std::size_t extraLength = U16(entry + 30);
        const std::size_t entryLength = kEntryHeader + nameLength + extraLength + U16(entry + 32);
        if (p + entryLength > entries.size()) return damaged;
        ZipPart part;
        part.name.assign(reinterpret_cast<const char*>(entry + kEntryHeader), nameLength);
        part.method = U16(entry + 10);
        part.packedSize = U32(entry + 20);
        part.declaredSize = U32(entry + 24);
        part.localOffset = U32(entry + 42);
        ResolveZip64(entry + kEntryHeader + nameLength, extraLength, part);
        if (part.localOffset > directory.offset || part.packedSize > directory.offset - part.localOffset ||
            30 + nameLength > directory.offset - part.localOffset - part.packedSize)
            return truncated;
        parts.push_back(std::move(part));
        p += entryLength;
    }

    const auto holds = [&](auto&& test) { return std::any_of(parts.begin(), parts.end(), test); };
    const auto index = std::find_if(parts.begin(), parts.end(),
                                    [](const ZipPart& part) { return part.name == "[Content_Types].xml"; });
    const bool wordFolder = holds([](const ZipPart& part) { return part.name.starts_with("word/"); });
    const bool wordMain = holds([](const ZipPart& part) { return part.name == "word/document.xml"; }) ||
                          (index != parts.end() && (wordFolder || HoldsDeclaredWordMain(fd, parts, *index)));
    // Text, or a spreadsheet or drawing: the engine tells them apart by loading it.
    const bool openDocument = holds([](const ZipPart& part) { return part.name == "content.xml"; });
    if (!wordMain && !openDocument)
        return {ContentKind::Unknown, "a zip archive without a Word document in it"};
    if (std::string refusal = InflationRefusal(fd, parts); !refusal.empty())
        return {ContentKind::Oversized, std::move(refusal)};
    if (wordMain) return {ContentKind::WordPackage, {}};
    return {ContentKind::OpenDocument, {}};
}

}  // namespace larkspan::zuv0
