#pragma once
// INCLUDEPICTURE fields in RTF, made harmless before LibreOffice reads them.
//
// LibreOffice's RTF reader, alone among its readers, acts on an INCLUDEPICTURE field while reading: it
// opens the file the field names, from any absolute path, and embeds its bytes as a picture, so a document
// could carry any picture file of the user's into its converted copy. The reader recognises the field only
// by its name in capitals; Word matches field names ignoring case. So in our copy of an RTF source the name
// is written in lower case: the field's last result comes through, and the named file is never opened.

namespace larkspan::zuv0 {

// Rewrites the field names in place in the RTF file open for reading and writing at `fd`; false when the
// file could not be read or written.
[[nodiscard]] bool DisarmPictureFields(int fd);

}  // namespace larkspan::zuv0
