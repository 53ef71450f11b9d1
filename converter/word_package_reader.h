#pragma once
// The fingerprint of a Word 2007 document (a WordprocessingML package): its main part is found as the
// package's relationships name it (it may lie outside word/), its headers and footers as the sections name
// them, and its notes and comments by the main part's relationships. What a story holds and what is
// counted: see word_story.h.

#include <cstdint>
#include <string>

#include "fingerprint.h"

namespace larkspan::zuv0 {

// The words kept of one document, and their bytes: a package is read no further past these (a novel has a
// few hundred thousand words), and its fingerprint says so.
inline constexpr std::uint64_t kWordLimit = std::uint64_t(1) << 21;
inline constexpr std::uint64_t kWordBytesLimit = std::uint64_t(32) << 20;

// Reads a Word 2007 package (a zip) from fd (size bytes, read with pread as the content check does),
// filling fingerprint. False, with why, when it is no such package or cannot be read at all; a package
// read in part sets fingerprint.incomplete instead.
bool ReadWordPackage(int fd, std::uint64_t size, Fingerprint& fingerprint, std::string& why);

}  // namespace larkspan::zuv0
