#include "compound_file.h"

#include <algorithm>
#include <unordered_set>

namespace larkspan::zuv0 {

namespace {

constexpr std::uint64_t kHeaderSize = 512;
constexpr std::uint64_t kEntrySize = 128;
constexpr std::uint64_t kMiniSectorSize = 64;
constexpr std::uint32_t kMaxRegular = 0xFFFFFFFA;
// A reserved value that no real table holds: marks the entries of a table sector that is cut off.
constexpr std::uint32_t kLost = 0xFFFFFFFB;

}  // namespace

bool CompoundFile::Present(const std::vector<Extent>& extents) const {
    return std::all_of(extents.begin(), extents.end(),
                       [&](const Extent& e) { return e.offset + e.length <= size_; });
}

// The entries of the given table sectors; those of a sector that is not wholly in the file are kLost.
std::vector<std::uint32_t> CompoundFile::ReadTable(const std::vector<std::uint32_t>& sectors) const {
    const std::uint64_t perSector = sectorSize_ / 4;
    std::vector<std::uint32_t> table(sectors.size() * perSector, kLost);
    Bytes sector(sectorSize_);
    for (std::size_t ordinal = 0; ordinal < sectors.size(); ++ordinal) {
        const std::uint32_t number = sectors[ordinal];
        if (number > kMaxRegular || !ReadAt(fd_, SectorOffset(number), sector.data(), sector.size()))
            continue;
        for (std::uint64_t i = 0; i < perSector; ++i) table[ordinal * perSector + i] = U32(&sector[4 * i]);
    }
    return table;
}

// The table's own sectors are sectors of the file, so a count past the file's size only means that the
// rest are cut off; it is not allocated for.
void CompoundFile::LoadAllocationTable(const Bytes& header) {
    const std::uint64_t perSector = sectorSize_ / 4;
    const std::uint64_t wanted = std::min<std::uint64_t>(U32(&header[44]), sectorsInFile_ + 1);
    std::vector<std::uint32_t> tableSectors;
    for (std::uint64_t i = 0; i < 109 && tableSectors.size() < wanted; ++i)
        tableSectors.push_back(U32(&header[76 + 4 * i]));
    std::uint32_t next = U32(&header[68]);
    Bytes sector(sectorSize_);
    for (std::uint64_t walked = 0; tableSectors.size() < wanted && walked <= sectorsInFile_; ++walked) {
        if (next > kMaxRegular || !ReadAt(fd_, SectorOffset(next), sector.data(), sector.size())) break;
        for (std::uint64_t i = 0; i + 1 < perSector && tableSectors.size() < wanted; ++i)
            tableSectors.push_back(U32(&sector[4 * i]));
        next = U32(&sector[sectorSize_ - 4]);
    }
    // Table sectors whose numbers were lost with the rest of the file.
    tableSectors.resize(wanted, kLost);
    fat_ = ReadTable(tableSectors);
}

// The first `count` sectors of a chain (fewer when it ends early). False when a link that is needed lies
// in a table sector that is cut off.
bool CompoundFile::FollowChain(const std::vector<std::uint32_t>& table, std::uint32_t start,
                               std::uint64_t count, std::vector<std::uint32_t>& chain) const {
    chain.clear();
    for (std::uint32_t sector = start; sector <= kMaxRegular && chain.size() < count;) {
        chain.push_back(sector);
        if (chain.size() == count || sector >= table.size()) break;
        sector = table[sector];
        if (sector == kLost) return false;
    }
    return true;
}

bool CompoundFile::ReadDirectory(std::uint32_t start) {
    std::vector<std::uint32_t> chain;
    // Bounded by the sectors there are, so a chain that loops back ends.
    if (!FollowChain(fat_, start, sectorsInFile_ + 1, chain) || chain.empty()) return false;
    Bytes sector(sectorSize_);
    for (std::uint32_t number : chain) {
        if (!ReadAt(fd_, SectorOffset(number), sector.data(), sector.size())) return false;
        for (std::uint64_t at = 0; at + kEntrySize <= sectorSize_; at += kEntrySize) {
            const unsigned char* raw = &sector[at];
            CompoundEntry entry;
            const std::size_t nameBytes = std::min<std::size_t>(U16(raw + 64), 64);
            for (std::size_t i = 0; i + 2 < nameBytes; i += 2) {  // the length counts a closing NUL
                const std::uint16_t c = U16(raw + i);
                entry.name += c >= 0x80 ? '?' : static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            }
            entry.type = raw[66];
            entry.left = U32(raw + 68);
            entry.right = U32(raw + 72);
            entry.child = U32(raw + 76);
            entry.start = U32(raw + 116);
            // Version 3 files may leave garbage in the upper half.
            entry.size = sectorSize_ == 512 ? U32(raw + 120) : U64(raw + 120);
            entries_.push_back(std::move(entry));
        }
    }
    return true;
}

CompoundFile::Opened CompoundFile::Open() {
    Bytes header(kHeaderSize);
    if (size_ < kHeaderSize || !ReadAt(fd_, 0, header.data(), header.size())) return Opened::CutOff;
    const std::uint16_t shift = U16(&header[30]);
    if (shift != 9 && shift != 12) return Opened::Damaged;
    sectorSize_ = std::uint64_t{1} << shift;
    sectorsInFile_ = size_ > sectorSize_ ? (size_ - 1) / sectorSize_ : 0;
    miniCutoff_ = U32(&header[56]);
    miniTableStart_ = U32(&header[60]);
    miniTableCount_ = U32(&header[64]);

    LoadAllocationTable(header);
    if (!ReadDirectory(U32(&header[48])) || entries_[0].type != kCompoundRoot) return Opened::CutOff;
    return Opened::Ok;
}

const CompoundEntry* CompoundFile::Child(const CompoundEntry& storage, std::string_view name) const {
    // Only the entries visited are remembered: a reader asks for many children of small storages.
    std::unordered_set<std::uint32_t> seen;
    std::vector<std::uint32_t> pending = {storage.child};
    while (!pending.empty()) {
        const std::uint32_t id = pending.back();
        pending.pop_back();
        if (id >= entries_.size() || !seen.insert(id).second) continue;
        const CompoundEntry& entry = entries_[id];
        if (entry.type == 0) continue;
        if (entry.name == name) return &entry;
        pending.push_back(entry.left);
        pending.push_back(entry.right);
    }
    return nullptr;
}

bool CompoundFile::Locate(const CompoundEntry& entry, std::vector<Extent>& extents) {
    extents.clear();
    if (entry.size == 0) return true;
    std::vector<std::uint32_t> chain;
    if (entry.type == kCompoundRoot || entry.size >= miniCutoff_) {
        const std::uint64_t count = (entry.size + sectorSize_ - 1) / sectorSize_;
        // More sectors than the file has: the rest of them is gone.
        if (count > sectorsInFile_) return false;
        if (!FollowChain(fat_, entry.start, count, chain)) return false;
        for (std::size_t i = 0; i < chain.size(); ++i)
            extents.push_back({SectorOffset(chain[i]), std::min(sectorSize_, entry.size - i * sectorSize_)});
        return true;
    }

    // Small streams live in the mini stream, which the root entry holds, in 64-byte sectors.
    if (!miniLoaded_) {
        miniLoaded_ = true;
        std::vector<std::uint32_t> tableSectors;
        if (!FollowChain(fat_, miniTableStart_, std::min<std::uint64_t>(miniTableCount_, sectorsInFile_ + 1),
                         tableSectors))
            return false;
        miniTable_ = ReadTable(tableSectors);
        const std::uint64_t containerSize = entries_.empty() ? 0 : entries_[0].size;
        const std::uint64_t containerCount = (containerSize + sectorSize_ - 1) / sectorSize_;
        // A root entry claiming more sectors than the file has is cut off, like any other stream; trusting
        // its size would follow a looping chain for as long as it claims.
        if (containerCount > sectorsInFile_) return false;
        if (!FollowChain(fat_, entries_[0].start, containerCount, miniContainer_)) return false;
        miniUsable_ = true;
    }
    if (!miniUsable_) return false;
    const std::uint64_t count = (entry.size + kMiniSectorSize - 1) / kMiniSectorSize;
    if (count > miniContainer_.size() * (sectorSize_ / kMiniSectorSize)) return false;
    if (!FollowChain(miniTable_, entry.start, count, chain)) return false;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const std::uint64_t at = std::uint64_t{chain[i]} * kMiniSectorSize;
        if (at / sectorSize_ >= miniContainer_.size())
            break;  // damaged rather than cut off: the engine judges
        const std::uint32_t sector = miniContainer_[at / sectorSize_];
        extents.push_back({SectorOffset(sector) + at % sectorSize_,
                           std::min(kMiniSectorSize, entry.size - i * kMiniSectorSize)});
    }
    return true;
}

bool CompoundFile::Read(const CompoundEntry& entry, Bytes& out) {
    out.clear();
    std::vector<Extent> extents;
    if (entry.type != kCompoundStream || !Locate(entry, extents) || !Present(extents)) return false;
    std::uint64_t total = 0;
    for (const Extent& e : extents) total += e.length;
    // A chain that ends early leaves the stream short of its size.
    if (total != entry.size || total > size_) return false;
    out.resize(total);
    std::uint64_t at = 0;
    for (const Extent& e : extents) {
        if (!ReadAt(fd_, e.offset, out.data() + at, e.length)) return false;
        at += e.length;
    }
    return true;
}

}  // namespace larkspan::zuv0
