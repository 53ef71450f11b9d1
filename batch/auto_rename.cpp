#include "batch/auto_rename.h"

#include <cstdio>
#include <filesystem>

namespace larkspan {

bool PathFound(std::string_view path) {
    std::error_code ec;
    return std::filesystem::symlink_status(std::filesystem::path(path), ec).type() !=
               std::filesystem::file_type::not_found &&
           !ec;
}

std::string AutoRenamePath(std::string_view path) {
    // The dot of the last extension; a dot inside a folder name is not one.
    std::size_t dot = path.rfind('.');
    std::size_t slash = path.rfind('/');
    if (dot != std::string_view::npos && slash != std::string_view::npos && dot < slash)
        dot = std::string_view::npos;
    std::string_view extension = dot == std::string_view::npos ? std::string_view() : path.substr(dot);
    std::string base(dot == std::string_view::npos ? path : path.substr(0, dot));

    unsigned long long number = 0;
    auto digit = [&](std::size_t fromEnd) { return base[base.size() - fromEnd]; };
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (base.size() >= 4 && digit(4) == '_' && isDigit(digit(3)) && isDigit(digit(2)) && isDigit(digit(1))) {
        number = static_cast<unsigned long long>((digit(3) - '0') * 100 + (digit(2) - '0') * 10 +
                                                 (digit(1) - '0'));
        base.resize(base.size() - 4);
    }
    base += '_';
    for (;;) {
        char numberText[32];
        std::snprintf(numberText, sizeof numberText, "%03llu", ++number);
        std::string candidate = base + numberText + std::string(extension);
        if (!PathFound(candidate)) return candidate;
    }
}

}  // namespace larkspan
