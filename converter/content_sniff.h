#pragma once
// What a file holds, judged by its bytes and never by its name.
//
// LibreOffice imports anything it cannot recognise as plain text, so random bytes named .docx would come
// out as a "converted" document full of garbage. So the check refuses what would come out silently wrong
// or not at all: bytes that are no known format and no text, a Word file whose needed parts are cut off
// (the engine sometimes loads such a file without complaint and saves what it could read), and encrypted
// packages. Everything else that Writer imports and a person may have named .doc or .docx goes through;
// where the bytes leave the question open, the engine's load decides.

#include <cstdint>
#include <string>

namespace larkspan::zuv0 {

enum class ContentKind {
    WordBinary,    // Word 97-2003 or 6/95 (a compound file), or Word 2 (a file starting with DB A5)
    WordPackage,   // Word 2007 and later: a zip holding word/document.xml
    WordXml,       // Word 2003 XML
    OpenDocument,  // a zip holding content.xml, or the flat XML form
    // Another word processor's document that Writer imports (WordPerfect, Works, Word for DOS, ...), told by
    // its own signature; `detail` names the format. No reader of ours checks its conversion.
    OtherWordProcessor,
    Rtf,
    Html,
    PlainText,  // UTF-8, or UTF-16 after a byte order mark, without control characters
    Encrypted,  // an encrypted Word 2007 package, stored as a compound file: only a password opens it
    Empty,
    Damaged,    // a Word file with parts that it needs cut off
    Oversized,  // a package whose parts would inflate to more than any document holds
    Unknown,
};

struct Sniffed {
    ContentKind kind = ContentKind::Unknown;
    std::string detail;  // why it was refused, for the error line; for another word processor's file, which

    bool accepted() const {
        return kind != ContentKind::Encrypted && kind != ContentKind::Empty && kind != ContentKind::Damaged &&
               kind != ContentKind::Oversized && kind != ContentKind::Unknown;
    }
};

// Reads what it needs from an open file of the given size with pread; the file offset is not used.
Sniffed SniffContent(int fd, std::uint64_t size);

}  // namespace larkspan::zuv0
