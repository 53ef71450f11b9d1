#pragma once
// Whether a folder tells file names apart by letter case. Most Linux file systems do; vfat, exFAT, some
// network shares and ext4 folders with the casefold attribute do not: there "Report.docx" and "report.docx"
// are one file, and writing the second replaces the first.

#include <string>

namespace larkspan::files {

// True when folder finds a file by its name in other (ASCII) letter case. Told by looking, not by the file
// system's name: an entry of the folder is looked up with its letters' case swapped; a folder with no entry
// to ask gets a hidden probe file of lower-case letters for a moment, looked up in upper case. A folder that
// cannot be read and takes no probe gives false: nothing can be written there to collide.
bool FoldsLetterCase(const std::string& folder);

}  // namespace larkspan::files
