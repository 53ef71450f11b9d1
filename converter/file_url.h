#pragma once

#include <filesystem>
#include <string>

namespace larkspan::zuv0 {

// "file:///..." for an absolute, normalised path. Every byte but the unreserved ones and '/' is
// percent-encoded, so names with spaces, '#', '%' or non-ASCII letters reach LibreOffice intact. LibreOffice
// keys a loading document's password request by this exact text, so it must already be in the form
// LibreOffice would produce: absolute, no "." or ".." segments, upper-case hex.
std::string FileUrlFromPath(const std::filesystem::path& absolutePath);

}  // namespace larkspan::zuv0
