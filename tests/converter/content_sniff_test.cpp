// The content check on other word processors' files: each signature is taken, and what only looks like one
// (a header cut short, the same prefix on a picture or a spreadsheet, random bytes) is still refused. That
// LibreOffice converts what is taken is proven with the real engine in zuv0_test.cpp.

#include <sys/mman.h>
#include <unistd.h>

#include <ostream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "converter/content_sniff.h"
#include "word_processor_files.h"

namespace larkspan::zuv0::testing {
namespace {

Sniffed Sniff(const std::string& bytes) {
    const int fd = ::memfd_create("sniffed", MFD_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    const Sniffed sniffed = SniffContent(fd, bytes.size());
    ::close(fd);
    return sniffed;
}

std::string Padded(std::string bytes, std::size_t size) {
    bytes.resize(size, '\0');
    return bytes;
}

std::string WithByte(std::string bytes, std::size_t at, char value) {
    bytes[at] = value;
    return bytes;
}

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// WordPerfect 4.2: text, one-byte functions (bold on and off), a fixed group of 6 bytes and a group of any
// length, each closed by its opening byte.
const std::string kWordPerfect42 =
    "Plain \x9D"
    "bold\x9C text\r\n\xC0\x01\x02\x03\x04\xC0 \xD1"
    "any length\xD1 end\r\n";

struct SniffCase {
    std::string name;
    std::string bytes;
    ContentKind kind;
    std::string detail;  // found in the detail
};

void PrintTo(const SniffCase& row, std::ostream* out) {
    *out << row.name;
}

class SniffsOtherWordProcessor : public ::testing::TestWithParam<SniffCase> {};

TEST_P(SniffsOtherWordProcessor, ByItsOwnSignature) {
    const SniffCase& row = GetParam();
    const Sniffed sniffed = Sniff(row.bytes);
    EXPECT_EQ(sniffed.kind, row.kind) << sniffed.detail;
    EXPECT_NE(sniffed.detail.find(row.detail), std::string::npos) << sniffed.detail;
    EXPECT_EQ(sniffed.accepted(), row.kind == ContentKind::OtherWordProcessor);
}

constexpr ContentKind kOther = ContentKind::OtherWordProcessor;
constexpr ContentKind kDamaged = ContentKind::Damaged;
constexpr ContentKind kUnknown = ContentKind::Unknown;
constexpr ContentKind kEncrypted = ContentKind::Encrypted;

INSTANTIATE_TEST_SUITE_P(
    Signatures, SniffsOtherWordProcessor,
    ::testing::Values(
        SniffCase{"WordPerfect5", WordPerfect5("Text\n"), kOther, "WordPerfect 5"},
        SniffCase{"WordPerfect6", WordPerfect6("Text\n"), kOther, "WordPerfect 6 or later"},
        SniffCase{"WordPerfectMac", WordPerfect5("Text", 0x2C, 3), kOther, "WordPerfect for the Macintosh"},
        SniffCase{"WordPerfectInCompoundFile",
                  CompoundWithStream(u"PerfectOffice_MAIN", WordPerfect5("Text")), kOther, "WordPerfect 5"},
        SniffCase{"WordPerfect42", kWordPerfect42, kOther, "WordPerfect 4.2"},
        SniffCase{"WordForDos", WordForDos("Text\n"), kOther, "Word for DOS"},
        SniffCase{"Write", WithByte(WordForDos("Text\n"), 96, 3), kOther, "Write"},
        SniffCase{"WorksForDos", Padded("\x03\xFE", 0x200), kOther, "Works 2 or 3"},
        SniffCase{"Works4", CompoundWithStream(u"MN0", "\x01\x02"), kOther, "Works 4"},
        SniffCase{"Works2000", CompoundWithStream(u"CONTENTS", "CHNKINK"), kOther, "Works 5 or later"},
        SniffCase{"StarWriter", CompoundWithStream(u"StarWriterDocument", "x"), kOther, "StarWriter"},
        SniffCase{"MacWord5", Padded(std::string("\xFE\x37\x00\x23", 4), 0x100), kOther,
                  "Word 5 for the Macintosh"},
        SniffCase{"WriteNow", Padded("WriteNow", 64), kOther, "WriteNow"},
        SniffCase{"WordPro", Padded("WordPro", 64), kOther, "Lotus Word Pro"},
        SniffCase{"Hangul", Padded(std::string("HWP Document File V3.00 \x1A\1\2\3\4\5", 30), 128), kOther,
                  "Hangul"},
        SniffCase{"T602", "@CT 0\r\n@LM 1\r\nText in T602 na\xA1vn\xA1\r\n", kOther, "T602"},
        SniffCase{"PalmDoc", Padded(Padded("Book", 60) + "TEXtREAd", 128), kOther, "PalmDoc"},
        SniffCase{"AbiWord",
                  "<?xml version=\"1.0\"?>\n<abiword version=\"2.9\"><section><p>Text</p></section>"
                  "</abiword>",
                  kOther, "AbiWord"},
        // Look-alikes: refused with the reason, never sent to LibreOffice to be read as text.
        SniffCase{"WordPerfectHeaderCutShort", WordPerfect5("").substr(0, 10), kDamaged, "WordPerfect"},
        SniffCase{"WordPerfectTextPastTheEnd", WithByte(WordPerfect5("Text"), 4, 100), kDamaged,
                  "WordPerfect"},
        SniffCase{"WordPerfectPicture", WordPerfect5("pixels", 0x16, 1), kUnknown, "no text document"},
        SniffCase{"WordPerfectSpreadsheet", WordPerfect5("cells", 0x11, 0), kUnknown, "no text document"},
        SniffCase{"WordPerfectOfAnotherVersion", WordPerfect5("Text", 0x0A, 1), kUnknown, "no text document"},
        SniffCase{"WordPerfectWithPassword", WithByte(WordPerfect5("Text"), 12, 0x2A), kEncrypted,
                  "WordPerfect"},
        SniffCase{"WordPerfect42WithPassword", "\xFE\xFF\x61\x61\x12\x34 scrambled", kEncrypted,
                  "WordPerfect 4.2"},
        SniffCase{"WordPerfect42GroupNotClosed", kWordPerfect42 + "\xC0\x01\x02", kUnknown, "not a format"},
        SniffCase{"Latin1Text", "Plain na\xEFve caf\xE9\n", kUnknown, "not a format"},
        SniffCase{"WordForDosCutShort", WordForDos("Text\n").substr(0, 100), kDamaged, "Word for DOS"},
        SniffCase{"WordForDosTextPastTheEnd", WithByte(WordForDos("Text\n"), 17, 1), kDamaged,
                  "Word for DOS"},
        SniffCase{"WordForDosAutosave", WithByte(WordForDos("Text\n"), 117, 2), kUnknown, "autosave"},
        SniffCase{"WorksForDosCutShort", "\x03\xFE short", kDamaged, "Works"},
        SniffCase{"WorksDatabase", CompoundWithStream(u"MN0", "\xFF\x54"), kUnknown, "Works database"},
        SniffCase{"WorksSpreadsheetContents", CompoundWithStream(u"CONTENTS", "CHNKXLS"), kUnknown,
                  "without a Word document"},
        SniffCase{"QuattroProInCompoundFile",
                  CompoundWithStream(u"PerfectOffice_MAIN", std::string("\0\0\2\0\7\x10", 6)), kUnknown,
                  "without a Word document"},
        SniffCase{"MacWordCutShort", std::string("\xFE\x37\x00\x1C\0\0", 6), kDamaged, "Macintosh"},
        SniffCase{"RandomBytes", RandomBytes(8192, 20240607), kUnknown, "not a format"},
        SniffCase{"MoreRandomBytes", RandomBytes(300, 7), kUnknown, "not a format"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace larkspan::zuv0::testing
