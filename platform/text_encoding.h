#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace larkspan {

// What a conversion does with bytes that are not well-formed text. Escape carries each such byte B of a
// UTF-8 text as the lone surrogate U+DC00 + B (B is 0x80 or above) and turns those surrogates back into
// their bytes, so that any byte string survives the trip to UTF-16 and back; other lone surrogates are
// still refused. Refuse fails on the first such byte.
enum class InvalidBytes { Refuse, Escape };

// Empty when the input is not well-formed (never, from UTF-8 with Escape).
std::optional<std::string> Utf16LeToUtf8(const std::vector<std::uint8_t>& bytes,
                                         InvalidBytes invalid = InvalidBytes::Refuse);
std::optional<std::vector<std::uint8_t>> Utf8ToUtf16Le(std::string_view text,
                                                       InvalidBytes invalid = InvalidBytes::Refuse);
std::optional<std::u16string> Utf8ToUtf16(std::string_view text, InvalidBytes invalid = InvalidBytes::Refuse);
std::optional<std::string> Utf16ToUtf8(std::u16string_view text, InvalidBytes invalid = InvalidBytes::Refuse);

// True when the text is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view text);

}  // namespace larkspan
