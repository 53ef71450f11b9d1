#include "outcome.h"

namespace larkspan::zuv0 {

namespace {

void AppendPrintable(std::string& line, std::string_view text) {
    for (char c : text) line += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
}

}  // namespace

Outcome Success(std::string losses, std::string check) {
    return {ExitCode::Ok, {}, std::move(losses), std::move(check)};
}

Outcome Failure(ExitCode code, std::string_view subject, std::string_view detail) {
    return {code, std::string(subject), std::string(detail), {}};
}

std::string Outcome::Line() const {
    if (code == ExitCode::Usage) return std::string(kUsageLine);
    std::string line = "Zuv0: ";
    line += engine_protocol::ReasonText(static_cast<int>(code));
    if (!subject.empty()) {
        line += ": ";
        AppendPrintable(line, subject);
    }
    if (!detail.empty()) {
        line += " (";
        AppendPrintable(line, detail);
        line += ')';
    }
    return line;
}

}  // namespace larkspan::zuv0
