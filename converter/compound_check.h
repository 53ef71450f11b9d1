#pragma once
// Compound files: the container of Word 97-2003 and Word 6/95 documents, of encrypted Word 2007 packages,
// and of other word processors' documents (Works 4 and later, StarWriter, WordPerfect), each told by the
// stream that holds it, which must be wholly in the file.
//
// A file cut short is recognised by the streams a Word document needs: the directory, WordDocument, the
// table stream that the document names (0Table or 1Table) and Data. Each is followed along its allocation
// chain, and each of its bytes must be in the file. Allocation entries that no such stream uses are not
// looked at: several producers mark sectors past the end of the file as ends of chains, and such files
// are whole.

#include <cstdint>

#include "content_sniff.h"

namespace larkspan::zuv0 {

// `fd` holds `size` bytes that start with the compound file signature.
Sniffed CheckCompoundFile(int fd, std::uint64_t size);

}  // namespace larkspan::zuv0
