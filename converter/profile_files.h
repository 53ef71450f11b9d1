#pragma once
// Reading and replacing the small text files of our private profile that LibreOffice reads at start.

#include <filesystem>
#include <string>
#include <system_error>

namespace larkspan::zuv0 {

// The whole file; empty when it is missing or unreadable.
std::string ReadWholeFile(const std::filesystem::path& file);

// Writes `text` beside `file` and renames it over `file`, so that an interrupted write never leaves half a
// file for LibreOffice to read.
[[nodiscard]] std::error_code ReplaceWholeFile(const std::filesystem::path& file, const std::string& text);

}  // namespace larkspan::zuv0
