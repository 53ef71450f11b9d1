#include "platform/text_encoding.h"

namespace larkspan {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The code point of the well-formed UTF-8 sequence at text[i] and its length; 0 when none starts there.
std::size_t DecodeUtf8At(std::string_view text, std::size_t i, char32_t& cp) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    int extra;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        cp = c & 0x1F;
        extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
        cp = c & 0x0F;
        extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
        cp = c & 0x07;
        extra = 3;
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(extra) > text.size() - i - 1) return 0;
    for (int k = 1; k <= extra; ++k) {
        unsigned char cc = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return static_cast<std::size_t>(extra) + 1;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    char32_t cp;
    for (std::size_t i = 0, length; i < text.size(); i += length)
        if ((length = DecodeUtf8At(text, i, cp)) == 0) return false;
    return true;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view text, InvalidBytes invalid) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp;
        std::size_t length = DecodeUtf8At(text, i, cp);
        if (length == 0) {
            if (invalid == InvalidBytes::Refuse) return std::nullopt;
            // Never an ASCII byte: those always decode.
            out += static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(text[i]));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += length;
    }
    return out;
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view text, InvalidBytes invalid) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (invalid == InvalidBytes::Escape && cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF) {
                out += static_cast<char>(cp - kEscapeBase);
                continue;
            }
            return std::nullopt;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::optional<std::string> Utf16LeToUtf8(const std::vector<std::uint8_t>& bytes, InvalidBytes invalid) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    return Utf16ToUtf8(units, invalid);
}

std::optional<std::vector<std::uint8_t>> Utf8ToUtf16Le(std::string_view text, InvalidBytes invalid) {
    std::optional<std::u16string> units = Utf8ToUtf16(text, invalid);
    if (!units) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(units->size() * 2);
    for (char16_t u : *units) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

}  // namespace larkspan
