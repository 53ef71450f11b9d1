#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace larkspan {

// Empty when the input is not well-formed.
std::optional<std::string> Utf16LeToUtf8(const std::vector<std::uint8_t>& bytes);
std::optional<std::vector<std::uint8_t>> Utf8ToUtf16Le(std::string_view text);
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);

}  // namespace larkspan
