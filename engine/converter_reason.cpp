#include "engine/converter_reason.h"

#include <cstdio>

#include "engine/convert_file.h"

namespace larkspan {

std::string ConverterReason(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.remove_suffix(1);
    const std::size_t start = text.rfind('\n');
    std::string line(start == std::string_view::npos ? text : text.substr(start + 1));
    const std::string prefix = std::string(kExternalConverterName) + ": ";
    if (line.starts_with(prefix)) line.erase(0, prefix.size());
    return line;
}

std::string SecondsText(std::chrono::milliseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(duration.count()) / 1000.0);
    return text;
}

}  // namespace larkspan
