#pragma once
// The source as LibreOffice loads it: a private copy in the profile's scratch folder, taken from the
// descriptor that the content check read, and checked once more. What the engine reads is then what passed
// the check, whatever happens to SOURCE's path in the meantime.
//
// A copy rather than /proc/self/fd/N: a second open of the same file would still see it rewritten in
// place, and LibreOffice chooses its import filter partly by the file name's extension (HTML named .doc
// must go to Writer, not Writer/Web, whose documents cannot be saved in the Word formats), which the copy
// keeps. The price is one copy of the file per job, and that an HTML file's images given by relative links
// are not found beside the copy.

#include <filesystem>

#include "job.h"
#include "outcome.h"

namespace larkspan::zuv0 {

class SourceCopy {
public:
    SourceCopy() = default;
    ~SourceCopy();
    SourceCopy(const SourceCopy&) = delete;
    SourceCopy& operator=(const SourceCopy&) = delete;

    // Copies job.sourceFile into `folder` under SOURCE's file name and checks the copy.
    Outcome Make(const Job& job, const std::filesystem::path& folder);

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace larkspan::zuv0
