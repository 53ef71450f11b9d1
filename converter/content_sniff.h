#pragma once
// What a file holds, judged by its bytes and never by its name.
//
// LibreOffice imports anything it cannot recognise as plain text, so random bytes named .docx would come
// out as a "converted" document full of garbage. Only content that a word processor would open is handed
// to the engine: Word binary files (compound files), Word XML packages, RTF, HTML and UTF-8 text. Word
// files whose structure shows that bytes are missing are refused here too: the engine sometimes loads a
// truncated file without complaint and saves what it could read.

#include <cstdint>
#include <string>

namespace larkspan::zuv0 {

enum class ContentKind {
    CompoundFile,  // Word 97-2003, or an encrypted Word 2007 package, which is stored the same way
    WordPackage,   // a zip holding word/document.xml
    Rtf,
    Html,
    PlainText,  // UTF-8 text with no control characters
    Empty,
    Damaged,  // looks like a Word file but parts of it are missing
    Unknown,
};

struct Sniffed {
    ContentKind kind = ContentKind::Unknown;
    std::string detail;  // why it was refused, for the error line

    bool accepted() const {
        return kind != ContentKind::Empty && kind != ContentKind::Damaged && kind != ContentKind::Unknown;
    }
};

// Reads what it needs from an open file of the given size with pread; the file offset is not used.
Sniffed SniffContent(int fd, std::uint64_t size);

}  // namespace larkspan::zuv0
