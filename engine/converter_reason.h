#pragma once
#include <string>
#include <string_view>

namespace larkspan {

// The reason from the last non-empty line the converter wrote ("Zuv0: REASON: PATH (DETAIL)"), without the
// program's name and the path, which the caller names itself.
std::string ConverterReason(std::string_view text, std::string_view sourcePath, std::string_view targetPath);

}  // namespace larkspan
