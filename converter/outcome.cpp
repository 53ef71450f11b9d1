#include "outcome.h"

namespace larkspan::zuv0 {

namespace {

void AppendPrintable(std::string& line, std::string_view text) {
    for (char c : text) line += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
}

}  // namespace

Outcome Success() {
    return {};
}

Outcome Failure(ExitCode code, std::string_view subject, std::string_view detail) {
    if (code == ExitCode::Usage) return {code, std::string(kUsageLine)};
    std::string line = "Zuv0: ";
    line += ReasonText(code);
    if (!subject.empty()) {
        line += ": ";
        AppendPrintable(line, subject);
    }
    if (!detail.empty()) {
        line += " (";
        AppendPrintable(line, detail);
        line += ')';
    }
    return {code, std::move(line)};
}

std::string_view ReasonText(ExitCode code) {
    switch (code) {
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
            return "save failed";
        case ExitCode::EngineMissing:
            return "engine missing";
    }
    return "internal error";
}

}  // namespace larkspan::zuv0
