#include "batch/file_ahead.h"

#include <filesystem>

namespace larkspan {

std::optional<ExistingFileAnswer> HeldEvents::AskAboutExisting(const std::string&) {
    asked_ = true;
    return std::nullopt;
}

void HeldEvents::PassOn(BatchEvents& events) const {
    for (const auto& [renamed, target] : lines_) {
        if (renamed)
            events.TargetRenamed(target);
        else
            events.TargetFormed(target);
    }
}

std::string TargetKey(const std::string& target) {
    const std::filesystem::path path(target);
    std::error_code ignored;
    std::string key = std::filesystem::weakly_canonical(path.parent_path(), ignored).string() + '/';
    for (char c : path.filename().string()) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) continue;
        key += (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte - 'A' + 'a') : c;
    }
    return key;
}

}  // namespace larkspan
