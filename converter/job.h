#pragma once
// One conversion request, checked as far as it can be without the engine, so that a bad request fails
// fast and never reaches LibreOffice.

#include <filesystem>
#include <string>
#include <string_view>

#include "content_sniff.h"
#include "outcome.h"
#include "unique_fd.h"

namespace larkspan::zuv0 {

struct Job {
    std::filesystem::path source;  // absolute, symbolic links and dot segments resolved
    std::filesystem::path target;  // absolute; its folder resolved likewise
    std::string format;            // TARGET's extension in lower case: "docx", "doc", ...
    ContentKind content = ContentKind::Unknown;
    // Check the converted file against its source before it takes TARGET's place; with strict, a loss found
    // fails the job and leaves no target.
    bool verify = false;
    bool strict = false;
    // SOURCE as it was opened and checked. The engine loads a copy taken from this descriptor, never the
    // path again: a file replaced in the meantime must not slip past the check.
    UniqueFd sourceFile;
};

// Fills `job` from the two arguments, or says why it cannot be done.
Outcome PrepareJob(std::string_view source, std::string_view target, Job& job);

}  // namespace larkspan::zuv0
