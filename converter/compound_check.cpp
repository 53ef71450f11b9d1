#include "compound_check.h"

#include <string>
#include <vector>

#include "byte_reader.h"
#include "compound_file.h"

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
    if (!document || document->type != kCompoundStream)
        return {ContentKind::Unknown, "a compound file without a Word document in it"};

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
