#include "platform/engine_protocol.h"

namespace larkspan::engine_protocol {

std::string_view ReasonText(int status) {
    switch (static_cast<ExitCode>(status)) {
        case ExitCode::Ok:
            return "converted";
        case ExitCode::Internal:
            return "internal error";
        case ExitCode::Usage:
            return "usage";
        case ExitCode::SourceUnreadable:
            return "source missing or unreadable";
        case ExitCode::NotADocument:
            return "not a document";
        case ExitCode::PasswordProtected:
            return "password protected";
        case ExitCode::SaveFailed:
        case ExitCode::CannotWriteTarget:
            return "save failed";
        case ExitCode::EngineMissing:
            return "engine missing";
        case ExitCode::ContentLost:
            return "content lost";
    }
    return "internal error";
}

std::string RequestFrame(std::uint64_t job, std::string_view source, std::string_view target,
                         std::string_view options) {
    std::string frame = std::to_string(job);
    frame.push_back('\0');
    frame.append(source).push_back('\0');
    frame.append(target).push_back('\0');
    frame.append(options).push_back('\0');
    return frame;
}

std::string AnswerFrame(std::uint64_t job, ExitCode status, std::string_view subject, std::string_view detail,
                        std::string_view check) {
    std::string frame = std::to_string(job);
    frame.push_back('\0');
    frame.append(std::to_string(static_cast<int>(status))).push_back('\0');
    frame.append(subject).push_back('\0');
    frame.append(detail).push_back('\0');
    frame.append(check).push_back('\0');
    return frame;
}

bool HasOption(std::string_view options, std::string_view word) {
    while (!options.empty()) {
        const std::size_t comma = options.find(',');
        if (options.substr(0, comma) == word) return true;
        if (comma == std::string_view::npos) break;
        options.remove_prefix(comma + 1);
    }
    return false;
}

std::int64_t ParseNumber(std::string_view field) {
    if (field.empty() || field.size() > 18) return -1;
    std::int64_t number = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

}  // namespace larkspan::engine_protocol
