#pragma once
// Reading a compound file (the container of Word 97-2003 and Word 6/95 documents): its header, allocation
// tables, mini stream and directory, and the bytes of a stream along its chain. Shared by the content check,
// which only asks whether the streams a document needs are whole, and the reader of Word documents.
//
// Everything is bounded by the file's size: a chain is followed for at most as many sectors as the file has,
// and a stream that claims more than that is cut off, so a hostile file can make it neither loop nor
// allocate more than the file holds.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "byte_reader.h"

namespace larkspan::zuv0 {

struct CompoundEntry {
    std::string name;  // lower case; letters outside ASCII as '?'
    int type = 0;      // kCompoundStorage, kCompoundStream or kCompoundRoot; 0 for an unused entry
    std::uint32_t left = 0, right = 0, child = 0, start = 0;
    std::uint64_t size = 0;
};
inline constexpr int kCompoundStorage = 1;
inline constexpr int kCompoundStream = 2;
inline constexpr int kCompoundRoot = 5;

// A stretch of a stream's bytes in the file.
struct Extent {
    std::uint64_t offset;
    std::uint64_t length;
};

class CompoundFile {
public:
    enum class Opened {
        Ok,
        Damaged,  // not a compound file this reader knows (a sector size other than 512 or 4096)
        CutOff,   // the header, allocation table or directory is not wholly in the file
    };

    CompoundFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

    // Reads the header, the allocation table and the directory.
    Opened Open();

    // The root storage (after a successful Open).
    const CompoundEntry& Root() const { return entries_[0]; }
    // A stream or storage right below `storage`, found through its tree of children; null when absent.
    const CompoundEntry* Child(const CompoundEntry& storage, std::string_view name) const;

    // Where the bytes of a stream lie in the file. False when its chain runs into a cut-off table or it
    // claims more sectors than the file has.
    bool Locate(const CompoundEntry& entry, std::vector<Extent>& extents);
    // Whether every extent is wholly in the file.
    bool Present(const std::vector<Extent>& extents) const;
    // The whole stream, read into `out`: false when any of it is missing. It never holds more than the
    // file's size.
    bool Read(const CompoundEntry& entry, Bytes& out);

private:
    std::uint64_t SectorOffset(std::uint32_t sector) const {
        return (std::uint64_t{sector} + 1) * sectorSize_;
    }
    std::vector<std::uint32_t> ReadTable(const std::vector<std::uint32_t>& sectors) const;
    void LoadAllocationTable(const Bytes& header);
    bool FollowChain(const std::vector<std::uint32_t>& table, std::uint32_t start, std::uint64_t count,
                     std::vector<std::uint32_t>& chain) const;
    bool ReadDirectory(std::uint32_t start);

    int fd_;
    std::uint64_t size_;
    std::uint64_t sectorSize_ = 512;
    std::uint64_t sectorsInFile_ = 0;  // counting a last sector that is only partly there
    std::uint64_t miniCutoff_ = 4096;
    std::uint32_t miniTableStart_ = 0;
    std::uint32_t miniTableCount_ = 0;
    std::vector<std::uint32_t> fat_;
    std::vector<CompoundEntry> entries_;
    bool miniLoaded_ = false;
    bool miniUsable_ = false;
    std::vector<std::uint32_t> miniTable_;
    std::vector<std::uint32_t> miniContainer_;  // the sectors of the root entry, which holds the mini stream
};

}  // namespace larkspan::zuv0
