#include "content_sniff.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "byte_reader.h"
#include "compound_check.h"
#include "other_word_processors.h"
#include "zip_check.h"

namespace larkspan::zuv0 {

namespace {

constexpr std::array<unsigned char, 8> kCompoundMagic = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// Word for Windows 2 files are no compound file: they start with the document's own header.
constexpr std::array<unsigned char, 2> kWord2Magic = {0xDB, 0xA5};
constexpr std::uint64_t kPrefixSize = 64 * 1024;

enum class Encoding { Utf8, Utf16Le, Utf16Be };

// The encoding a byte order mark names, and the mark's length; UTF-8 without one.
Encoding EncodingOf(const Bytes& prefix, std::size_t& markLength) {
    markLength = 0;
    if (prefix.size() >= 3 && prefix[0] == 0xEF && prefix[1] == 0xBB && prefix[2] == 0xBF) {
        markLength = 3;
    } else if (prefix.size() >= 2 && prefix[0] == 0xFF && prefix[1] == 0xFE) {
        markLength = 2;
        return Encoding::Utf16Le;
    } else if (prefix.size() >= 2 && prefix[0] == 0xFE && prefix[1] == 0xFF) {
        markLength = 2;
        return Encoding::Utf16Be;
    }
    return Encoding::Utf8;
}

enum class Decoded { Ok, Invalid, Incomplete };

Decoded DecodeUtf8(const Bytes& bytes, std::size_t at, std::uint32_t& code, std::size_t& length) {
    const unsigned char c = bytes[at];
    if (c < 0x80) {
        code = c;
        length = 1;
        return Decoded::Ok;
    }
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
        return Decoded::Invalid;
    }
    if (at + length > bytes.size()) return Decoded::Incomplete;
    for (std::size_t k = 1; k < length; ++k) {
        if ((bytes[at + k] & 0xC0) != 0x80) return Decoded::Invalid;
        code = code << 6 | (bytes[at + k] & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return Decoded::Invalid;
    return Decoded::Ok;
}

Decoded DecodeUtf16(const Bytes& bytes, std::size_t at, bool bigEndian, std::uint32_t& code,
                    std::size_t& length) {
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        return bigEndian ? (bytes[i] << 8 | bytes[i + 1]) : (bytes[i] | bytes[i + 1] << 8);
    };
    if (at + 2 > bytes.size()) return Decoded::Incomplete;
    code = unit(at);
    length = 2;
    if (code >= 0xDC00 && code <= 0xDFFF) return Decoded::Invalid;
    if (code < 0xD800 || code > 0xDBFF) return Decoded::Ok;
    if (at + 4 > bytes.size()) return Decoded::Incomplete;
    const std::uint32_t low = unit(at + 2);
    if (low < 0xDC00 || low > 0xDFFF) return Decoded::Invalid;
    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    length = 4;
    return Decoded::Ok;
}

// Text without control characters other than tab, line feed, form feed and carriage return, and with at
// least one visible character. Text in an 8-bit character set is not taken: LibreOffice would read it as
// UTF-8 and turn its accented letters into replacement marks. `complete` is false when the prefix stops
// before the end of the file, so a character cut in two at the end is not held against it.
bool IsPlainText(const Bytes& prefix, bool complete) {
    std::size_t at = 0;
    const Encoding encoding = EncodingOf(prefix, at);
    bool visible = false;
    while (at < prefix.size()) {
        std::uint32_t code = 0;
        std::size_t length = 0;
        const Decoded decoded = encoding == Encoding::Utf8
                                    ? DecodeUtf8(prefix, at, code, length)
                                    : DecodeUtf16(prefix, at, encoding == Encoding::Utf16Be, code, length);
        if (decoded == Decoded::Incomplete) return !complete && visible;
        if (decoded == Decoded::Invalid) return false;
        const bool control = code < 0x20 || (code >= 0x7F && code < 0xA0);
        if (control && code != '\t' && code != '\n' && code != '\f' && code != '\r') return false;
        visible = visible || code > 0x20;
        at += length;
    }
    return visible;
}

// The start of the file as lower-case ASCII, byte order mark removed, so that markup can be recognised
// whether the file is UTF-8 or UTF-16. Other characters become '?'.
std::string AsciiView(const Bytes& prefix, std::size_t limit) {
    std::size_t at = 0;
    const Encoding encoding = EncodingOf(prefix, at);
    const std::size_t step = encoding == Encoding::Utf8 ? 1 : 2;
    std::string view;
    for (; at + step <= prefix.size() && view.size() < limit; at += step) {
        unsigned int c = prefix[at];
        if (encoding != Encoding::Utf8) {
            const bool bigEndian = encoding == Encoding::Utf16Be;
            const unsigned char high = bigEndian ? prefix[at] : prefix[at + 1];
            c = high ? 0x80 : (bigEndian ? prefix[at + 1] : prefix[at]);
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

bool Holds(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// Markup formats are recognised before the text check, so that one in an 8-bit character set, which
// names its own character set, is not refused as text. Nothing when the bytes are neither.
std::optional<Sniffed> SniffText(const Bytes& prefix, bool complete) {
    const std::string view = AsciiView(prefix, 8 * 1024);
    const std::size_t first = view.find_first_not_of(" \t\r\n\f");
    const std::string_view head =
        first == std::string::npos ? std::string_view{} : std::string_view(view).substr(first);
    if (head.starts_with("{\\rtf")) return Sniffed{ContentKind::Rtf, {}};
    if (StartsWithAny(head, {"<!doctype html", "<html", "<head", "<body", "<meta", "<title"}))
        return Sniffed{ContentKind::Html, {}};
    if (head.starts_with("<?xml")) {
        if (Holds(head, "<w:worddocument") || Holds(head, "progid=\"word.document\""))
            return Sniffed{ContentKind::WordXml, {}};
        if (Holds(head, "<office:document")) return Sniffed{ContentKind::OpenDocument, {}};
    }
    if (StartsWithAny(head, {"<?xml", "<!doctype abiword", "<abiword"}) && Holds(head, "<abiword"))
        return Sniffed{ContentKind::OtherWordProcessor, "AbiWord"};
    // XHTML, and HTML that opens with a comment: the html element follows soon after.
    if (StartsWithAny(head, {"<?xml", "<!--", "<!doctype"}) && Holds(head, "<html"))
        return Sniffed{ContentKind::Html, {}};
    // A web archive: this LibreOffice reads one as plain text, headers and markup and all, which would come
    // out as a "converted" document of source code.
    if (Holds(head, "mime-version:") && Holds(head, "content-type: multipart/related"))
        return Sniffed{ContentKind::Unknown,
                       "a web archive (MHT), which LibreOffice reads only as plain text"};
    if (IsPlainText(prefix, complete)) return Sniffed{ContentKind::PlainText, {}};
    return std::nullopt;
}

// A Word 2 file's header gives the length of the file as its producer wrote it.
Sniffed CheckWord2(const Bytes& prefix, std::uint64_t size) {
    constexpr std::size_t kLengthAt = 0x20;
    if (prefix.size() < kLengthAt + 4 || U32(&prefix[kLengthAt]) > size)
        return {ContentKind::Damaged, "a damaged or truncated Word file"};
    return {ContentKind::WordBinary, {}};
}

template <std::size_t N>
bool StartsWith(const Bytes& bytes, const std::array<unsigned char, N>& magic) {
    return bytes.size() >= N && std::equal(magic.begin(), magic.end(), bytes.begin());
}

}  // namespace

Sniffed SniffContent(int fd, std::uint64_t size) {
    if (size == 0) return {ContentKind::Empty, "an empty file"};
    Bytes prefix(std::min(size, kPrefixSize));
    if (!ReadAt(fd, 0, prefix.data(), prefix.size())) return {ContentKind::Unknown, "could not read it"};

    if (StartsWith(prefix, kCompoundMagic)) return CheckCompoundFile(fd, size);
    if (prefix.size() >= 4 && std::memcmp(prefix.data(), "PK\x03\x04", 4) == 0)
        return CheckZipPackage(fd, size);
    if (StartsWith(prefix, kWord2Magic)) return CheckWord2(prefix, size);
    if (std::optional<Sniffed> other = SniffOtherWordProcessor(prefix, size)) return *other;
    if (std::optional<Sniffed> text = SniffText(prefix, prefix.size() == size)) return *text;
    // Last, as it reads the whole file: what is no text may still be WordPerfect 4.2, which has no header.
    if (std::optional<Sniffed> old = SniffWordPerfect42(fd, size)) return *old;
    return {ContentKind::Unknown, "not a format a word processor opens"};
}

}  // namespace larkspan::zuv0
