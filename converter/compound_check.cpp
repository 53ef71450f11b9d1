#include "compound_check.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "byte_reader.h"
#include "compound_file.h"
#include "other_word_processors.h"

namespace larkspan::zuv0 {

namespace {

// The table stream's name is chosen by this bit of the flags at offset 10 of WordDocument.
constexpr std::uint16_t kWhichTableStream = 0x0200;

Sniffed CutOff() {
    return {ContentKind::Damaged, "a damaged or truncated Word file"};
}

bool StreamWhole(CompoundFile& file, const CompoundEntry* entry, std::vector<Extent>& extents) {
    if (!entry || entry->type != kCompoundStream) return true;  // absent: not needed by this document
    return file.Locate(*entry, extents) && file.Present(extents);
}

// The first `count` bytes of a stream (fewer when it is shorter), read along its chain; false when any of
// the stream is not in the file.
bool StreamHead(int fd, CompoundFile& file, const CompoundEntry& entry, std::size_t count, Bytes& head) {
    std::vector<Extent> extents;
    if (!file.Locate(entry, extents) || !file.Present(extents)) return false;
    head.clear();
    for (const Extent& extent : extents) {
        if (head.size() >= count) break;
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(extent.length, count - head.size()));
        head.resize(head.size() + take);
        if (!ReadAt(fd, extent.offset, head.data() + head.size() - take, take)) return false;
    }
    return true;
}

// Other word processors that keep their documents in compound files, told by the stream that holds the
// document, as the import libraries LibreOffice uses tell them.
Sniffed CheckOtherCompound(int fd, CompoundFile& file) {
    const auto stream = [&](std::string_view name) {
        const CompoundEntry* entry = file.Child(file.Root(), name);
        return entry && entry->type == kCompoundStream ? entry : nullptr;
    };
    Bytes head;
    if (const CompoundEntry* works = stream("mn0")) {
        if (!StreamHead(fd, file, *works, 2, head))
            return {ContentKind::Damaged, "a damaged or truncated Works file"};
        if (head.size() == 2 && head[0] == 0xFF && head[1] == 0x54)
            return {ContentKind::Unknown, "a Works database, which is no text document"};
        return {ContentKind::OtherWordProcessor, "Works 4"};
    }
    // Works 2000 and later; their spreadsheets and databases have no such stream.
    if (const CompoundEntry* works = stream("contents")) {
        if (!StreamHead(fd, file, *works, 7, head))
            return {ContentKind::Damaged, "a damaged or truncated Works file"};
        const std::string magic(head.begin(), head.end());
        if (magic == "CHNKWKS" || magic == "CHNKINK")
            return {ContentKind::OtherWordProcessor, "Works 5 or later"};
    }
    if (const CompoundEntry* star = stream("starwriterdocument")) {
        if (!StreamHead(fd, file, *star, 0, head))
            return {ContentKind::Damaged, "a damaged or truncated StarWriter file"};
        return {ContentKind::OtherWordProcessor, "StarWriter"};
    }
    if (const CompoundEntry* perfect = stream("perfectoffice_main")) {
        if (!StreamHead(fd, file, *perfect, 16, head))
            return {ContentKind::Damaged, "a damaged or truncated WordPerfect file"};
        if (head.size() >= 4 && head[0] == 0xFF && head[1] == 'W' && head[2] == 'P' && head[3] == 'C')
            return CheckWordPerfect(head, perfect->size);
    }
    return {ContentKind::Unknown, "a compound file without a Word document in it"};
}

}  // namespace

Sniffed CheckCompoundFile(int fd, std::uint64_t size) {
    CompoundFile file(fd, size);
    switch (file.Open()) {
        case CompoundFile::Opened::Ok:
            break;
        case CompoundFile::Opened::Damaged:
            return {ContentKind::Damaged, "a damaged Word file"};
        case CompoundFile::Opened::CutOff:
            return CutOff();
    }

    // An encrypted Word 2007 package: only a password opens it.
    if (file.Child(file.Root(), "encryptedpackage")) return {ContentKind::Encrypted, {}};
    const CompoundEntry* document = file.Child(file.Root(), "worddocument");
    if (!document || document->type != kCompoundStream) return CheckOtherCompound(fd, file);

    std::vector<Extent> extents;
    if (!StreamWhole(file, document, extents)) return CutOff();
    std::string table = "0table";
    unsigned char base[12];
    if (!extents.empty() && extents[0].length >= sizeof base &&
        ReadAt(fd, extents[0].offset, base, sizeof base) && (U16(base + 10) & kWhichTableStream))
        table = "1table";
    // Word 6 and 95 keep everything in WordDocument: a missing table stream is not a loss there.
    if (!StreamWhole(file, file.Child(file.Root(), table), extents) ||
        !StreamWhole(file, file.Child(file.Root(), "data"), extents))
        return CutOff();
    return {ContentKind::WordBinary, {}};
}

}  // namespace larkspan::zuv0
