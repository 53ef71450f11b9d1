#include "engine/converter_reason.h"

#include "engine/convert_file.h"

namespace larkspan {

std::string ConverterReason(std::string_view text, std::string_view sourcePath, std::string_view targetPath) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.remove_suffix(1);
    std::size_t start = text.rfind('\n');
    std::string line(start == std::string_view::npos ? text : text.substr(start + 1));
    const std::string prefix = std::string(kExternalConverterName) + ": ";
    if (line.starts_with(prefix)) line.erase(0, prefix.size());
    for (std::string_view path : {sourcePath, targetPath}) {
        const std::string named = ": " + std::string(path);
        std::size_t at = line.find(named);
        if (at == std::string::npos) continue;
        std::size_t after = at + named.size();
        if (after == line.size() || line.compare(after, 2, " (") == 0) {
            line.erase(at, named.size());
            break;
        }
    }
    return line;
}

}  // namespace larkspan
