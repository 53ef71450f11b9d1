#include "other_word_processors.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace larkspan::zuv0 {

namespace {

bool StartsWith(const Bytes& bytes, std::string_view magic, std::size_t at = 0) {
    return bytes.size() >= at + magic.size() &&
           std::memcmp(bytes.data() + at, magic.data(), magic.size()) == 0;
}

Sniffed Other(std::string format) {
    return {ContentKind::OtherWordProcessor, std::move(format)};
}

Sniffed Truncated(std::string_view format) {
    return {ContentKind::Damaged, "a damaged or truncated " + std::string(format) + " file"};
}

// Word for DOS and Write share their first six bytes; Write keeps its page count at 96, where Word for DOS
// has 0. Both put the text at 128 and give where it ends.
Sniffed CheckWordForDosOrWrite(const Bytes& prefix, std::uint64_t size) {
    constexpr std::size_t kTextStart = 128;
    if (prefix.size() < kTextStart) return Truncated("Word for DOS or Write");
    const bool write = U16(&prefix[96]) != 0;
    const std::string_view format = write ? "Write" : "Word for DOS";
    const std::uint32_t textEnd = U32(&prefix[14]);
    if (textEnd < kTextStart || textEnd > size || (!write && size < 2 * kTextStart)) return Truncated(format);
    // An autosave file: LibreOffice's import leaves it alone.
    if (!write && (prefix[117] & 0x02))
        return {ContentKind::Unknown, "an autosave file of Word for DOS, which LibreOffice does not read"};
    return Other(std::string(format));
}

// The four bytes that start a Word file of the Macintosh: version 1, 3, 4, 5.
struct MacWord {
    std::string_view magic;
    const char* name;
    std::size_t headerSize;
};
constexpr std::array<MacWord, 4> kMacWord = {{
    {{"\xFE\x32\x00\x00", 4}, "Word 1 for the Macintosh", 128},
    {{"\xFE\x34\x00\x00", 4}, "Word 3 for the Macintosh", 0x88},
    {{"\xFE\x37\x00\x1C", 4}, "Word 4 for the Macintosh", 0x88},
    {{"\xFE\x37\x00\x23", 4}, "Word 5 for the Macintosh", 0x88},
}};

// The length of each WordPerfect 4.2 function group from 0xC0 to 0xFE, opening and closing byte included;
// 0 for a group of any length, which ends at the next byte equal to its first.
constexpr std::array<unsigned char, 63> kWordPerfect42Groups = {
    6, 4,   3, 5,   5, 6,  4,  6, 8, 42, 3, 6, 4, 3,  4,  3,   // 0xC0
    6, 0,   0, 4,   4, 4,  6,  0, 4, 4,  4, 4, 0, 24, 4,  0,   // 0xD0
    4, 3,   0, 150, 6, 23, 11, 3, 3, 0,  0, 0, 4, 0,  44, 18,  // 0xE0
    6, 106, 0, 100, 4, 0,  5,  0, 0, 0,  0, 0, 0, 0,  0,       // 0xF0
};

// Reads a file forward in chunks: WordPerfect 4.2 is scanned whole, and may be larger than the prefix.
class ForwardReader {
public:
    ForwardReader(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

    // The next byte; false at the end of the file or when reading failed (then `failed()`).
    bool Next(unsigned char& byte) {
        if (at_ >= size_) return false;
        if (at_ < chunkStart_ || at_ >= chunkStart_ + chunk_.size()) {
            chunk_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size_ - at_)));
            chunkStart_ = at_;
            if (!ReadAt(fd_, at_, chunk_.data(), chunk_.size())) {
                chunk_.clear();
                failed_ = true;
                return false;
            }
        }
        byte = chunk_[static_cast<std::size_t>(at_ - chunkStart_)];
        ++at_;
        return true;
    }
    // Moves `count` bytes on; false when that passes the end.
    bool Skip(std::uint64_t count) {
        if (count > size_ - at_) return false;
        at_ += count;
        return true;
    }
    bool failed() const { return failed_; }

private:
    static constexpr std::uint64_t kChunk = 64 * 1024;
    int fd_;
    std::uint64_t size_;
    std::uint64_t at_ = 0;
    std::uint64_t chunkStart_ = 0;
    Bytes chunk_;
    bool failed_ = false;
};

// Whether the group that `opening` starts ends where it must, with the same byte.
bool GroupClosed(ForwardReader& reader, unsigned char opening) {
    const unsigned length = kWordPerfect42Groups[opening - 0xC0];
    unsigned char closing = 0;
    if (length == 0) {
        while (reader.Next(closing))
            if (closing == opening) return true;
        return false;
    }
    return reader.Skip(length - 2) && reader.Next(closing) && closing == opening;
}

}  // namespace

Sniffed CheckWordPerfect(const Bytes& header, std::uint64_t size) {
    constexpr std::size_t kHeaderSize = 16;
    if (header.size() < kHeaderSize) return Truncated("WordPerfect");
    const std::uint32_t documentAt = U32(&header[4]);
    if (documentAt < kHeaderSize || documentAt > size) return Truncated("WordPerfect");
    // The same prefix starts every file of that maker's office programs; the file type tells a document
    // (0x0A, or 0x2C from the Macintosh) from a picture, a spreadsheet or a macro, and the major version
    // the releases LibreOffice reads.
    const unsigned char fileType = header[9], major = header[10];
    const char* format = nullptr;
    if (fileType == 0x0A && major == 0) format = "WordPerfect 5";
    if (fileType == 0x0A && major == 2) format = "WordPerfect 6 or later";
    if (fileType == 0x2C && major >= 2 && major <= 4) format = "WordPerfect for the Macintosh";
    if (!format)
        return {ContentKind::Unknown, "a WordPerfect Office file that is no text document (file type " +
                                          std::to_string(fileType) + ", version " + std::to_string(major) +
                                          ")"};
    if (U16(&header[12]) != 0) return {ContentKind::Encrypted, format};
    return Other(format);
}

std::optional<Sniffed> SniffOtherWordProcessor(const Bytes& prefix, std::uint64_t size) {
    if (StartsWith(prefix, "\xFFWPC")) return CheckWordPerfect(prefix, size);
    // WordPerfect 4.2 has no header, but an encrypted one has a mark and the password's checksum. The mark
    // would pass for UTF-16 text.
    if (StartsWith(prefix, "\xFE\xFF\x61\x61") && prefix.size() >= 6 && U16(&prefix[4]) != 0)
        return Sniffed{ContentKind::Encrypted, "WordPerfect 4.2"};
    if (prefix.size() >= 6 && (prefix[0] == 0x31 || prefix[0] == 0x32) && prefix[1] == 0xBE &&
        prefix[2] == 0 && prefix[3] == 0 && prefix[4] == 0 && prefix[5] == 0xAB)
        return CheckWordForDosOrWrite(prefix, size);
    for (const MacWord& word : kMacWord)
        if (StartsWith(prefix, word.magic))
            return prefix.size() < word.headerSize ? Truncated(word.name) : Other(word.name);
    // Works 2 and 3, for DOS and Windows, before Works kept its documents in compound files: two bytes, and
    // the text after a header of 256.
    if (prefix.size() >= 2 && prefix[0] < 6 && prefix[1] == 0xFE)
        return size < 0x100 ? Truncated("Works") : Other("Works 2 or 3");
    if (StartsWith(prefix, "WordPro")) return Other("Lotus Word Pro");
    if (StartsWith(prefix, "WriteNow"))
        return prefix.size() < 28 ? Truncated("WriteNow") : Other("WriteNow 3 or later");
    // Hangul 97 and before (LibreOffice reads no later one): the version between a fixed name and bytes.
    if (StartsWith(prefix, "HWP Document File V") && StartsWith(prefix, {" \x1A\x01\x02\x03\x04\x05", 7}, 23))
        return Other("Hangul (HWP)");
    if (StartsWith(prefix, "@CT ")) return Other("T602");
    if (StartsWith(prefix, "{\\pwi\x15")) return Other("Pocket Word");
    // A Palm database (a name of up to 31 bytes and its end) whose type and creator say it holds a text.
    if (StartsWith(prefix, "TEXtREAd", 60) && size >= 78 &&
        std::find(prefix.begin(), prefix.begin() + 32, 0) != prefix.begin() + 32)
        return Other("PalmDoc");
    return std::nullopt;
}

std::optional<Sniffed> SniffWordPerfect42(int fd, std::uint64_t size) {
    constexpr std::uint64_t kLargest = 64ull << 20;
    if (size > kLargest) return std::nullopt;
    ForwardReader reader(fd, size);
    const Sniffed unreadable{ContentKind::Unknown, "could not read it"};
    std::uint64_t codes = 0;
    unsigned char byte = 0;
    while (reader.Next(byte)) {
        if (byte < 0x80) continue;  // text, and the control characters of lines and pages
        if (byte == 0xFF) return std::nullopt;
        ++codes;
        if (byte >= 0xC0 && !GroupClosed(reader, byte))
            return reader.failed() ? std::optional<Sniffed>(unreadable) : std::nullopt;
    }
    if (reader.failed()) return unreadable;
    if (codes == 0) return std::nullopt;
    return Sniffed{ContentKind::OtherWordProcessor, "WordPerfect 4.2"};
}

}  // namespace larkspan::zuv0
