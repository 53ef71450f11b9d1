#pragma once
// Files of word processors other than Word that LibreOffice Writer imports, as archives of the 1980s and
// 1990s hold them under a .doc name: WordPerfect, Works, Word for DOS and for the Macintosh, Write,
// WriteNow, Word Pro, Hangul, T602, PocketWord and PalmDoc. Each is told by its own signature, read as the
// import library that LibreOffice uses for it reads it: a file that library would not take goes on to the
// text check, which refuses anything that is not text, so LibreOffice never reads it as text.
//
// Compound files of other word processors (Works 4 and later, StarWriter, WordPerfect in a compound file)
// are told by their streams in compound_check.cpp.

#include <cstdint>
#include <optional>

#include "byte_reader.h"
#include "content_sniff.h"

namespace larkspan::zuv0 {

// The kind of a file whose first bytes are `prefix` (at most 64 KiB) and whose size is `size`, when it
// starts with the signature of one of these formats: accepted with the format named in `detail`, or refused
// (a WordPerfect file that is a picture, a header cut short, a password). Nothing when it has none.
std::optional<Sniffed> SniffOtherWordProcessor(const Bytes& prefix, std::uint64_t size);

// A WordPerfect file of 5.0 or later (the prefix FF 57 50 43 and a 16-byte header) of `size` bytes, by
// its header; also what a compound file's PerfectOffice_MAIN stream holds.
Sniffed CheckWordPerfect(const Bytes& header, std::uint64_t size);

// WordPerfect 4.2 has no header at all. Like LibreOffice's WordPerfect import, this reads the whole file as
// a stream of function codes and takes it when every code is whole and there is at least one: 8-bit text
// hardly ever passes (its letters from 0xC0 up open codes that are not closed where they must be), random
// bytes never (0xFF is no code). Files over 64 MiB are not read: no such document was ever that large.
std::optional<Sniffed> SniffWordPerfect42(int fd, std::uint64_t size);

}  // namespace larkspan::zuv0
