#pragma once
// Zip packages: Word 2007 documents and OpenDocument text. Their parts are listed by zip_directory.h, which
// tells a zip cut short from a damaged one.

#include <cstdint>

#include "content_sniff.h"

namespace larkspan::zuv0 {

// `fd` holds `size` bytes that start with a zip local file header.
Sniffed CheckZipPackage(int fd, std::uint64_t size);

}  // namespace larkspan::zuv0
