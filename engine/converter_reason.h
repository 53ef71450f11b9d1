#pragma once
// Texts of the converter's failures, as the user is told them.

#include <chrono>
#include <string>
#include <string_view>

namespace larkspan {

// The reason from the last non-empty line the converter wrote on standard error ("Zuv0: REASON (DETAIL)"),
// without the program's name.
std::string ConverterReason(std::string_view text);

// A bound as the user reads it: "1.5 s", "120 s".
std::string SecondsText(std::chrono::milliseconds duration);

}  // namespace larkspan
