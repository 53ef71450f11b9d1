#pragma once
// Files of word processors other than Word, made byte by byte in a test: the smallest each format allows
// that LibreOffice still imports with its text (checked once by converting them and reading the text back),
// and a compound file holding one stream of any name.

#include <string>
#include <string_view>

namespace larkspan::zuv0::testing {

// A WordPerfect 5.x document: the 16-byte header (product 1, file type 0x0A, version 0.0) and the text,
// lines ending in line feeds. `fileType` and `major` make the look-alikes of other programs and versions.
std::string WordPerfect5(std::string_view text, unsigned char fileType = 0x0A, unsigned char major = 0);

// A WordPerfect 6 document: the header, an index header without packets, and the text with its spaces
// and line ends in WordPerfect 6's own codes.
std::string WordPerfect6(std::string_view text);

// A Word for DOS document: the 128-byte header, the text (lines ending in CR LF), and a page each of
// character and paragraph properties, all default.
std::string WordForDos(std::string_view text);

// A compound file (512-byte sectors) whose root holds one stream, `name`, of `bytes` padded with zeros to
// 4096 bytes so that it lies in regular sectors.
std::string CompoundWithStream(std::u16string_view name, std::string_view bytes);

}  // namespace larkspan::zuv0::testing
