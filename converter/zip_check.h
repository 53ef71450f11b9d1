#pragma once
// Zip packages: Word 2007 documents and OpenDocument text.
//
// A zip cut short loses its central directory, which sits at the end; a directory that points past its own
// start, or at entries that cannot fit before it, means bytes are missing.

#include <cstdint>

#include "content_sniff.h"

namespace larkspan::zuv0 {

// `fd` holds `size` bytes that start with a zip local file header.
Sniffed CheckZipPackage(int fd, std::uint64_t size);

}  // namespace larkspan::zuv0
